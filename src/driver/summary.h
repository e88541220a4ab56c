// The run summary: the line on standard output and the two result files.
#pragma once

// Prints the summary line: the elapsed time and the outcome word.
void printSummaryLine();

// Prints the summary line and rewrites "result1".
// Returns false, after "ERROR: Failed to write result1.", when the word
// could not be written (the previous file then stands as it was).
bool printSummary();

// Appends the run's record line to "preprocessor_b.dat". Returns false,
// after a message, when the file cannot be opened or written.
bool recordSummary();
