#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace kv {

// The text of an INI file with the lookup and update rules of the Windows
// private-profile functions, so that a file written by the recorder's users
// on Windows reads the same here:
//
// - "[name]" starts a section; text after the closing bracket is ignored.
//   A line whose first non-blank character is '[' but that has no ']' is not
//   a header.
// - "key=value" inside a section is a key; the first '=' splits it, so a
//   value may hold '='. Other lines (blank lines, comments, text without '=',
//   keys before the first section) are kept but never match.
// - Section and key names compare case-insensitively; blanks around names and
//   values are not part of them. The first matching section is the only one
//   searched, and the first matching key in it wins.
// - Values are text, returned as written apart from the surrounding blanks.
//
// The file is UTF-8 (a leading byte-order mark is allowed and kept). Every
// byte of the file that an update does not need to change is kept as it was,
// line ends included; bytes that are not valid UTF-8 survive an update but
// read as replacement characters.
class IniDocument {
public:
    IniDocument() = default;
    explicit IniDocument(const QByteArray& bytes);

    // The file text, including every change made through setValue.
    QByteArray bytes() const;

    // The value of key in section, or no value when the section or the key is
    // missing. A key that is present with nothing after '=' gives an empty text.
    std::optional<QString> value(QStringView section, QStringView key) const;

    // Sets key in section to value:
    // - an existing key gets the new value in place: its name and the blanks
    //   up to the value stay as written, the old value and the blanks after
    //   it are replaced;
    // - a missing key is added after the last key of the section (right after
    //   the header when it has none);
    // - a missing section is added at the end of the file with the key.
    // New lines use the line end of the file's first line ("\n" when it has
    // none). Names are written without surrounding blanks.
    //
    // Refuses (false, nothing changed) what the file could not hold: an empty
    // section or key name, a line break or NUL anywhere, ']' in a section name,
    // '=' in a key name or a key name starting with '['. Blanks around the value
    // are written but do not read back.
    bool setValue(QStringView section, QStringView key, QStringView value);

    static bool IsValidSection(QStringView section);
    static bool IsValidKey(QStringView key);
    static bool IsValidValue(QStringView value);

private:
    enum class Kind { Other, Section, Key };

    struct Line {
        QByteArray text; // without the line end
        QByteArray end;  // "\n", "\r\n" or empty for a last line without one
        Kind kind = Kind::Other;
        QString name;            // section or key name, trimmed
        qsizetype valueFrom = 0; // Key: offset in text where the value starts
        qsizetype valueTo = 0;   // Key: offset just past the value's last non-blank
    };

    static Line Classify(QByteArray text, QByteArray end);
    // Index of the first header named section, or -1.
    qsizetype findSection(QStringView section) const;
    // Index of the first key named key in the section whose header is at
    // sectionIndex, or -1.
    qsizetype findKey(qsizetype sectionIndex, QStringView key) const;
    void insertLine(qsizetype at, const QByteArray& text);

    QByteArray bom_;
    QByteArray newline_ = "\n";
    std::vector<Line> lines_;
};

} // namespace kv
