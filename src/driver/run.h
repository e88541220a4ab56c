// The process entry of qshrink: command line, read, preprocess, write, summarise.
#pragma once

#include "driver/options.h"

class ByteSource;

// Runs qshrink with the given command line and returns the exit status.
int qshrinkMain(int argc, char** argv);

// One run with parsed options, reading from `source` when it is not null
// (opt.input is then only the name the run shows), and returns the exit
// status. Unlike qshrinkMain, it leaves standard output where it is.
int qshrinkRun(const RunOptions& opt, ByteSource* source);
