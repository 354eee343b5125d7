#pragma once

#include <QString>

#include <map>
#include <utility>

namespace kv::map {

// The flat JSON objects the host and the map page exchange: string keys to
// string values, kept in key order, each with the separator written after
// it. Neither reading nor writing escapes anything, so keys and values never
// hold a double quote.
class CJsonHolder {
public:
    struct Entry {
        QString value;
        QString separator;
    };

    // Stores (or replaces) key's value and separator.
    void Set(const QString& key, const QString& value, const QString& separator);
    // The value of key; empty when it is missing.
    QString Value(const QString& key) const;
    bool Contains(const QString& key) const { return entries_.count(key) != 0; }
    const std::map<QString, Entry>& entries() const { return entries_; }
    void Clear() { entries_.clear(); }

    // Reads a flat object of string values into the holder (see the states in
    // the source). Pairs already present are replaced; an empty text does nothing.
    void Parse(const QString& text);
    // An opening brace, every entry in key order as "key":"value" followed by
    // its separator, a closing brace.
    QString Write() const;

private:
    std::map<QString, Entry> entries_;
};

} // namespace kv::map
