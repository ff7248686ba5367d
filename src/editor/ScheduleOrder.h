#pragma once

#include "Csch.h"

#include <vector>

// Orders of trials used when a schedule is rearranged for a run.

// True when a's correct answer is below b's.
bool TrialLessByCorrect(const CTrial& a, const CTrial& b);

// Moves trials so that neighbours differ in their correct answer wherever a place for
// them is found: trials followed by one with the same answer are taken out, sorted by
// answer and put back before the first trial that differs from them and follows one that
// differs too (at the end when there is none), pass after pass until a pass takes out as
// many trials as the one before. No trial is lost or doubled.
void SpreadCorrectAnswers(std::vector<CTrial>& trials);
