// OfferRepairedFiles: when a source is closed and when the viewer ends, the
// user may keep the repaired copies before the repair folder is deleted.

#include "repair.h"

#include <QFileInfo>

namespace kv {

RepairOffer OfferRepairedFiles(RepairPrompts& prompts) {
    RepairOffer offer;
    if (!QFileInfo(RepairFolder()).isDir()) {
        return offer;
    }
    offer.asked = true;
    const int answer = prompts.ShowMessage(
        QStringLiteral("破損が修復された一時ファイルがあります。消去の前に整理して保存しますか？"),
        QStringLiteral("確認"), RepairPrompts::kYesNo);
    if (answer == RepairPrompts::kYes) {
        const QString section = QStringLiteral("FOLDERPATH");
        const QString key = QStringLiteral("REPAIR_FOLDER");
        const QString folder = prompts.ChooseFolder(
            section, key, QStringLiteral("移動先フォルダーを選択してください。"));
        if (!folder.isEmpty()) {
            offer.move = MoveFolderFiles(RepairFolder(), folder);
            if (offer.move.failed == 0) {
                prompts.RememberFolder(section, key, folder);
                offer.folder = folder;
            }
        }
    }
    // Kept or not, the copies leave the temporary folder; any that could not
    // be moved go to the trash with it.
    offer.folderDeleted = DeleteRepairFolder();
    return offer;
}

} // namespace kv
