#pragma once

#include "log/convert_log.h"

class CConverter;
class CMimeArchive;
class ConvertOptions;

// Copies the options into the converter, its log and the archive writer, as
// every Create Archive does before converting: the log settings (counters
// reset), the resource tags, the MIME table (with the system's media types,
// read afresh, for the extensions it lacks), the script extensions, the
// link style and whether the archive is complete. `logSettings` is the
// caller's own log value; its path and level are refreshed from the options
// first.
void ApplyOptions(const ConvertOptions& options, CConverter& converter, CMimeArchive& archive,
                  CConvertLog& logSettings);
