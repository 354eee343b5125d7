#include "json_holder.h"

namespace kv::map {

namespace {

// Where the reader is in the text.
enum ParseState {
    kOutside = 0,
    kInObject = 1,
    kInKey = 2,
    kAfterKey = 3,
    kAfterColon = 4,
    kInValue = 5,
    kAfterValue = 6,
};

} // namespace

void CJsonHolder::Set(const QString& key, const QString& value, const QString& separator) {
    entries_[key] = Entry{value, separator};
}

QString CJsonHolder::Value(const QString& key) const {
    const auto found = entries_.find(key);
    return found == entries_.end() ? QString() : found->second.value;
}

void CJsonHolder::Parse(const QString& text) {
    if (text.isEmpty()) {
        return;
    }
    int state = kOutside;
    QString key;
    QString value;
    for (const QChar c : text) {
        if (c == u'"') {
            switch (state) {
            case kInObject:
                key.clear();
                state = kInKey;
                break;
            case kInKey:
                state = kAfterKey;
                break;
            case kAfterColon:
                value.clear();
                state = kInValue;
                break;
            case kInValue:
                state = kAfterValue;
                break;
            default:
                break;
            }
        } else if (state == kInKey) {
            key.append(c);
        } else if (state == kInValue) {
            value.append(c);
        } else if (c == u'{') {
            state = kInObject;
        } else if (c == u':' && state == kAfterKey) {
            state = kAfterColon;
        } else if (c == u',' && state == kAfterValue) {
            Set(key, value, QStringLiteral(","));
            state = kInObject;
        } else if (c == u'}') {
            if (state == kAfterValue) {
                Set(key, value, QString());
                state = kOutside;
            } else if (state == kInObject) {
                state = kOutside;
            }
        }
    }
}

QString CJsonHolder::Write() const {
    QString text = QStringLiteral("{");
    for (const auto& [key, entry] : entries_) {
        text += u'"' + key + QStringLiteral("\":\"") + entry.value + u'"' + entry.separator;
    }
    text += u'}';
    return text;
}

} // namespace kv::map
