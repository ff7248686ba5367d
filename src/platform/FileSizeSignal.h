#pragma once

// A write past the file-size limit (RLIMIT_FSIZE) ends the process with SIGXFSZ unless
// the signal is ignored; ignored, the write fails with EFBIG like any other write error,
// and a save reports it and keeps the old file. Called first thing in main().
void IgnoreFileSizeSignal();
