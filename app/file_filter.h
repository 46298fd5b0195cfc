#pragma once

#include <QStringList>

#include <string_view>

// Turns a filter list in the dialogs' own form, "Description|patterns|...||"
// with the patterns of one entry separated by ';', into Qt's name filters,
// "Description (pattern pattern)". "*.*" becomes "*", because on this
// platform a file name need not contain a dot to be "any file".
QStringList ToQtNameFilters(std::string_view filter);
