#pragma once

#include <QString>
#include <QStringList>

namespace kv::cli {

// Where a command that writes one file per recording into folder puts the
// file named name made from the recording file: folder/name, unless an
// earlier output of the same run took that path (two recordings of one name
// in different folders of source). Then it goes into a folder of folder
// named after the recording's sub-folder of source with "_" for "/"
// ("copy_Normal_Front"; a "Normal/Front" inside folder would look like a
// card's recording folder). Paths are compared without case, as on the
// card's FAT. Empty, with why, when that is taken too.
QString RunOutputPath(const QString& source, const QString& folder, const QString& file,
                      const QString& name, const QStringList& taken, QString* why);

} // namespace kv::cli
