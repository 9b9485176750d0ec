#pragma once
// Small helpers shared by the benchmarks.
#include <string>
#include <sys/time.h>

double Seconds(const timeval& tv);
// CPU seconds (user + system) this process has used so far.
double SelfCpu();
// Runs a shell command and returns its standard output.
std::string Run(const std::string& command);
