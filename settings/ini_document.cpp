#include "ini_document.h"

namespace kv {

namespace {

// The blanks that surround names and values. ASCII only: a full-width space
// at the end of a Japanese folder name is part of the name.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

bool IsBlank(QChar c) {
    return c.unicode() < 0x80 && IsBlank(static_cast<char>(c.unicode()));
}

// The text without the blanks around it (QByteArray or QStringView).
template <typename Text> Text TrimBlanks(const Text& text) {
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && IsBlank(text[from])) {
        ++from;
    }
    while (to > from && IsBlank(text[to - 1])) {
        --to;
    }
    return text.mid(from, to - from);
}

bool HasLineBreakOrNul(QStringView text) {
    for (QChar c : text) {
        if (c == u'\n' || c == u'\r' || c == u'\0') {
            return true;
        }
    }
    return false;
}

bool SameName(const QString& a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

const QByteArray kUtf8Bom("\xEF\xBB\xBF");

} // namespace

IniDocument::IniDocument(const QByteArray& bytes) {
    qsizetype pos = 0;
    if (bytes.startsWith(kUtf8Bom)) {
        bom_ = kUtf8Bom;
        pos = kUtf8Bom.size();
    }
    if (const qsizetype nl = bytes.indexOf('\n', pos); nl > pos && bytes[nl - 1] == '\r') {
        newline_ = "\r\n";
    }
    while (pos < bytes.size()) {
        const qsizetype nl = bytes.indexOf('\n', pos);
        if (nl < 0) {
            lines_.push_back(Classify(bytes.mid(pos), QByteArray()));
            break;
        }
        const bool crlf = nl > pos && bytes[nl - 1] == '\r';
        const qsizetype textEnd = crlf ? nl - 1 : nl;
        lines_.push_back(Classify(bytes.mid(pos, textEnd - pos), crlf ? "\r\n" : "\n"));
        pos = nl + 1;
    }
}

IniDocument::Line IniDocument::Classify(QByteArray text, QByteArray end) {
    Line line;
    line.text = std::move(text);
    line.end = std::move(end);
    const QByteArray& t = line.text;

    qsizetype first = 0;
    while (first < t.size() && IsBlank(t[first])) {
        ++first;
    }
    if (first < t.size() && t[first] == '[') {
        if (const qsizetype close = t.indexOf(']', first + 1); close >= 0) {
            line.kind = Kind::Section;
            line.name = QString::fromUtf8(TrimBlanks(t.mid(first + 1, close - first - 1)));
            return line;
        }
    }
    const qsizetype eq = t.indexOf('=');
    if (eq < 0) {
        return line;
    }
    line.kind = Kind::Key;
    line.name = QString::fromUtf8(TrimBlanks(t.left(eq)));
    qsizetype from = eq + 1;
    while (from < t.size() && IsBlank(t[from])) {
        ++from;
    }
    qsizetype to = t.size();
    while (to > from && IsBlank(t[to - 1])) {
        --to;
    }
    line.valueFrom = from;
    line.valueTo = to;
    return line;
}

QByteArray IniDocument::bytes() const {
    QByteArray out = bom_;
    for (const Line& line : lines_) {
        out += line.text;
        out += line.end;
    }
    return out;
}

qsizetype IniDocument::findSection(QStringView section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Kind::Section && SameName(lines_[i].name, section)) {
            return static_cast<qsizetype>(i);
        }
    }
    return -1;
}

qsizetype IniDocument::findKey(qsizetype sectionIndex, QStringView key) const {
    for (auto i = static_cast<std::size_t>(sectionIndex) + 1; i < lines_.size(); ++i) {
        if (lines_[i].kind == Kind::Section) {
            break;
        }
        if (lines_[i].kind == Kind::Key && SameName(lines_[i].name, key)) {
            return static_cast<qsizetype>(i);
        }
    }
    return -1;
}

std::optional<QString> IniDocument::value(QStringView section, QStringView key) const {
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    const qsizetype s = findSection(section);
    if (s < 0) {
        return std::nullopt;
    }
    const qsizetype k = findKey(s, key);
    if (k < 0) {
        return std::nullopt;
    }
    const Line& line = lines_[static_cast<std::size_t>(k)];
    return QString::fromUtf8(line.text.mid(line.valueFrom, line.valueTo - line.valueFrom));
}

bool IniDocument::IsValidSection(QStringView section) {
    return !TrimBlanks(section).isEmpty() && !HasLineBreakOrNul(section) && !section.contains(u']');
}

bool IniDocument::IsValidKey(QStringView key) {
    const QStringView name = TrimBlanks(key);
    return !name.isEmpty() && !HasLineBreakOrNul(key) && !key.contains(u'=') &&
           !name.startsWith(u'[');
}

bool IniDocument::IsValidValue(QStringView value) {
    return !HasLineBreakOrNul(value);
}

void IniDocument::insertLine(qsizetype at, const QByteArray& text) {
    const auto index = static_cast<std::size_t>(at);
    // Only the last line can lack a line end; it needs one before anything follows it.
    if (index > 0 && lines_[index - 1].end.isEmpty()) {
        lines_[index - 1].end = newline_;
    }
    lines_.insert(lines_.begin() + at, Classify(text, newline_));
}

bool IniDocument::setValue(QStringView section, QStringView key, QStringView value) {
    if (!IsValidSection(section) || !IsValidKey(key) || !IsValidValue(value)) {
        return false;
    }
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    const QByteArray keyLine = key.toUtf8() + '=' + value.toUtf8();

    const qsizetype s = findSection(section);
    if (s < 0) {
        insertLine(static_cast<qsizetype>(lines_.size()), '[' + section.toUtf8() + ']');
        insertLine(static_cast<qsizetype>(lines_.size()), keyLine);
        return true;
    }
    if (const qsizetype k = findKey(s, key); k >= 0) {
        Line& line = lines_[static_cast<std::size_t>(k)];
        line = Classify(line.text.left(line.valueFrom) + value.toUtf8(), line.end);
        return true;
    }
    qsizetype last = s;
    for (auto i = static_cast<std::size_t>(s) + 1;
         i < lines_.size() && lines_[i].kind != Kind::Section; ++i) {
        if (lines_[i].kind == Kind::Key) {
            last = static_cast<qsizetype>(i);
        }
    }
    insertLine(last + 1, keyLine);
    return true;
}

} // namespace kv
