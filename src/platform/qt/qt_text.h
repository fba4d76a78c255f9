// The ports' UTF-8 texts as Qt strings, for the files of this folder.
#pragma once

#include <QString>

#include <string_view>

namespace tonegen::qt {

inline QString to_qstring(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace tonegen::qt
