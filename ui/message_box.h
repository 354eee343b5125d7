#pragma once

#include "ui_scale.h"

#include <QFont>
#include <QString>

#include <deque>
#include <vector>

class QWidget;

namespace kv {

// Where windows send their messages to the user: errors (caption "ERROR"),
// questions ("確認") and completion notices ("終了"). style: 0 OK, 1 OK and
// Cancel, 4 "はい" and "いいえ" (MessageStyle). The answer is 1 for OK or
// "はい", 2 for Cancel or "いいえ" (MessageAnswer).
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual int ShowMessage(const QString& text, const QString& caption, int style) = 0;
};

// The real one: each message runs a modal CMsgDlg centred on the owner.
class CMsgBox final : public MessageSink {
public:
    // font: the shared 10-point UI font. owner: the caller's window, or null
    // for none.
    CMsgBox(QWidget* owner, const UiScale& scale, const QFont& font);

    int ShowMessage(const QString& text, const QString& caption, int style) override;

private:
    QWidget* owner_;
    UiScale scale_;
    QFont font_;
};

// For tests of the windows that ask: records every message and answers from
// a queue, with defaultAnswer once the queue is empty.
class ScriptedMessageSink final : public MessageSink {
public:
    struct Message {
        QString text;
        QString caption;
        int style = 0;
        bool operator==(const Message&) const = default;
    };

    int ShowMessage(const QString& text, const QString& caption, int style) override;

    std::vector<Message> messages;
    std::deque<int> answers;
    int defaultAnswer = 1;
};

} // namespace kv
