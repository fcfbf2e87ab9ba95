// Helpers for tests that need a live GL context: they open the real window through start_up.
#pragma once

#include <string>

#include "app/shell.h"

// Starts the program's window and programs with standard output captured; returns the log.
std::string start_up_capturing_log();
