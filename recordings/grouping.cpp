#include "catalogue.h"
#include "recording_name.h"

namespace kv {

const QString& GroupLabeler::Next(const QString& name) {
    const int number = FileNumber(name);
    const bool startsGroup = name.size() > 3 && name[3] == u'S';
    if (!(count_ < groupSize_ && !startsGroup && number == previous_ + 1)) {
        count_ = 0;
        const qsizetype dash = name.indexOf(u'-', 5);
        const QString date = name.mid(5, dash < 0 ? -1 : dash - 5);
        const int k = perDate_.value(date, 0) + 1;
        perDate_.insert(date, k);
        label_ = date + QStringLiteral("_%1").arg(k, 4, 10, QChar(u'0'));
    }
    ++count_;
    previous_ = number;
    return label_;
}

} // namespace kv
