// The controls hold single-byte text (Latin-1, one byte per character as the
// pager stores it); the widgets hold QString.
#pragma once

#include <QString>
#include <string>

namespace ccp::view {

inline QString toQt(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string fromQt(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace ccp::view
