#pragma once

#include <QString>

#include <functional>

namespace kv {
class MessageSink;
}

namespace kv::map {

// Whether Qt WebEngine can run here: its helper process and its resources
// are where this Qt looks for them (or where the environment points).
bool IsWebEngineAvailable();

// The address of the page that says how to get the map's web runtime.
QString RuntimeDownloadPage();

// The notice text: the explanation and the download page as a link.
QString RuntimeNoticeText();

// Shows the runtime notice with the caption "WebView2 ランタイムがインストールされていません。"
// when available is false: through compactNotice (the update dialog in its
// compact layout, which returns when the dialog is closed) when one is
// given, else as a message through messages. False when nothing was shown.
using CompactNotice = std::function<void(const QString& caption, const QString& text)>;
bool ShowRuntimeMissingNotice(bool available, const CompactNotice& compactNotice,
                              MessageSink* messages);

} // namespace kv::map
