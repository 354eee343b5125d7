#pragma once

#include <QByteArray>
#include <QString>

namespace kv {

// Text in the code page a Japanese Windows uses for files without a byte-order
// mark (Shift_JIS as CP932), so spreadsheet users in Japan open our CSV files
// as before. Characters the code page lacks become '?'. Empty when the
// converter is not available on this system.
QByteArray ToShiftJis(const QString& text);

} // namespace kv
