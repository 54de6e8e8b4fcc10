#pragma once

#include <QString>
#include <string>

// QtTest prints QStrings on a mismatch but knows nothing of std::string.
inline QString qs(const std::string &s) { return QString::fromStdString(s); }
