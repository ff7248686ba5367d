#pragma once

// Window message numbers shared by the program's windows, its worker threads and
// libvantrel.so. Meanings of wParam and lParam are documented where each is posted.

#include <stdint.h>

constexpr uint32_t WM_EXECTABLE = 0x500;
constexpr uint32_t WM_EXECUTE_IGNORED = 0x623;
constexpr uint32_t WM_SOUND_STATUS = 0x1400;
constexpr uint32_t WM_WAVEREAD_FILLED = 0x1405;
constexpr uint32_t WM_ASIO_INPUT_TIME = 0x1600;
constexpr uint32_t WM_ASIO_OUTPUT_EVENT = 0x1601;
constexpr uint32_t WM_ASIO_REMAIN = 0x1602;
constexpr uint32_t WM_CARD_EVENT = 0x2400;
constexpr uint32_t WM_RESULTS_CHANGED = 0x2402;
constexpr uint32_t WM_EXECUTE_EVENT = 0x2600;
constexpr uint32_t WM_AUDIO_DEVICE_CHANGED = 0x2601;
