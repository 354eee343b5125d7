#include "message_box.h"

#include "message_dialog.h"

namespace kv {

CMsgBox::CMsgBox(QWidget* owner, const UiScale& scale, const QFont& font)
    : owner_(owner), scale_(scale), font_(font) {}

int CMsgBox::ShowMessage(const QString& text, const QString& caption, int style) {
    CMsgDlg dialog(scale_, font_, owner_);
    dialog.messageText = text;
    dialog.captionText = caption;
    dialog.buttonStyle = style;
    dialog.owner = owner_;
    dialog.InitDialog();
    return dialog.exec();
}

int ScriptedMessageSink::ShowMessage(const QString& text, const QString& caption, int style) {
    messages.push_back({text, caption, style});
    if (answers.empty()) {
        return defaultAnswer;
    }
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

} // namespace kv
