// The controls hold single-byte text (Latin-1, one byte per character as the
// pager stores it); the widgets hold QString.
#pragma once

#include <QString>
#include <algorithm>
#include <string>
#include <vector>

namespace ccp::view {

inline QString toQt(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string fromQt(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace ccp::view

namespace ccp::view {

// File names as the file dialogs handed them to the form: the bytes the form
// keeps and opens (the system's encoding, UTF-8 here) and the name the user
// saw. Log lines carry those bytes inside their single-byte text; shown, each
// such name reads as it was chosen, and typing in the log keeps its bytes.
class FileNames {
public:
    void remember(const std::string& bytes, const QString& shown) {
        if (std::any_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) != 0; }))
            names_.push_back({toQt(bytes), shown});
    }
    QString show(const std::string& line) const {
        QString text = toQt(line);
        for (const Name& name : names_)
            text.replace(name.bytes, name.shown);
        return text;
    }
    std::string keep(QString text) const {
        for (const Name& name : names_)
            text.replace(name.shown, name.bytes);
        return fromQt(text);
    }

private:
    struct Name {
        QString bytes; // the bytes as single-byte characters
        QString shown;
    };
    std::vector<Name> names_;
};

} // namespace ccp::view
