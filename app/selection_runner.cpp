// The recording selection dialog as the delete and join commands run it.

#include "file_command_ports.h"
#include "file_select_dlg.h"

namespace kv::app {

SelectionRunner DialogSelectionRunner(QWidget* owner, const UiScale& scale, const QFont& font,
                                      MessageSink& messages) {
    return
        [owner, scale, font, &messages](browser::SelectMode mode, const RecordingList& shown,
                                        const RecordingList& all) -> std::optional<RecordingList> {
            browser::CFileSelectDlg dialog(scale, font, mode, messages, owner);
            dialog.FillSource(shown);
            if (mode == browser::SelectMode::Delete) {
                dialog.FillAllSource(all);
            }
            if (dialog.exec() != QDialog::Accepted) {
                return std::nullopt;
            }
            return dialog.selection();
        };
}

} // namespace kv::app
