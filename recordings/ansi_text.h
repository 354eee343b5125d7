#pragma once

#include <QByteArray>
#include <QString>

namespace kv {

// Text in the code page a Japanese Windows uses for files without a byte-order
// mark (Shift_JIS as CP932), so spreadsheet users in Japan open our CSV files
// as before. Characters the code page lacks become '?'. Empty when the
// converter is not available on this system.
QByteArray ToShiftJis(const QString& text);

// Text the recorder wrote in that code page; bytes that are not Shift_JIS
// become U+FFFD. Latin-1 when the converter is not available.
QString FromShiftJis(const QByteArray& bytes);

} // namespace kv
