#pragma once

#include "cli/batch_options.h"

class ConsoleServices;
class ConvertOptions;
struct ConversionRequest;

// Converts the batch's pages, `options` and `eachPage` (all but its paths)
// applying to every one: up to the batch's number of jobs at once, each job
// with engine objects of its own, so memory holds only the pages in flight.
// A page that fails is reported on the console and in the report, and the
// others go on. Gives the process's exit status: 0 when every page was
// converted, 1 when any failed, 2 when the report cannot be written.
int RunBatch(const BatchOptions& batch, const ConversionRequest& eachPage, bool quiet, const ConvertOptions& options,
             ConsoleServices& console);
