// OfferRepairedFiles: when a source is closed and when the viewer ends, the
// user may keep the repaired copies before the repair folder is deleted.

#include "repair.h"

#include <QDir>
#include <QFileInfo>

namespace kv {

RepairOffer OfferRepairedFiles(RepairPrompts& prompts) {
    RepairOffer offer;
    // Files in a folder that is not the user's own are none of the user's copies.
    if (!QFileInfo(RepairFolder()).isDir() || !CheckRepairFolder().isEmpty()) {
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
        if (folder.isEmpty()) {
            // Nothing chosen: the copies stay for the next offer.
            return offer;
        }
        offer.move = MoveFolderFiles(RepairFolder(), folder);
        if (offer.move.failed == 0) {
            prompts.RememberFolder(section, key, folder);
            offer.folder = folder;
        }
        if (!offer.move.renamed.isEmpty()) {
            prompts.ShowMessage(
                QStringLiteral("同じ名前のファイルがあるため、次の名前で保存しました。\n%1")
                    .arg(offer.move.renamed.join(QLatin1Char('\n'))),
                QStringLiteral("確認"), RepairPrompts::kOk);
        }
        if (offer.move.failed > 0) {
            // Never dropped: what could not be saved stays in the repair folder.
            prompts.ShowMessage(
                QStringLiteral("次のファイルを保存できませんでした。%1 に残してあります。\n%2")
                    .arg(QDir::toNativeSeparators(RepairFolder()),
                         offer.move.notSaved.join(QLatin1Char('\n'))),
                QStringLiteral("確認"), RepairPrompts::kOk);
            return offer;
        }
    }
    // The user kept nothing, or every copy was saved.
    offer.folderDeleted = DeleteRepairFolder();
    return offer;
}

} // namespace kv
