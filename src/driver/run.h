// The process entry of qshrink: command line, read, preprocess, write, summarise.
#pragma once

// Runs qshrink with the given command line and returns the exit status.
int qshrinkMain(int argc, char** argv);
