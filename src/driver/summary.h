// The run summary: the line on standard output and the two result files.
#pragma once

// Prints the elapsed time and the outcome word, and rewrites "result1".
void printSummary();

// Appends the run's record line to "preprocessor_b.dat".
void recordSummary();
