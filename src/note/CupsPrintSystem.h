#pragma once

#include "base/Services.h"

#include <memory>

// The print system of the machine: the printers Qt lists, and the jobs the scheduler reports.
std::unique_ptr<PrintSystem> MakeCupsPrintSystem();
