#include "pages/common/wire_encoding_setting.h"

#include <cstdio>
#include <string>

#include "encoding/wire_codec.h"
#include "pages/common/app_settings.h"

namespace quillet::pages {
namespace {

const QString kKey = QStringLiteral("encoding/wire");
// Longer than any encoding name there is: anything else is not one.
constexpr qsizetype kMaxNameChars = 64;

}  // namespace

void StoreWireEncoding() {
    settings::SetValue(kKey, QString::fromStdString(enc::WireEncoding()));
}

bool RestoreWireEncoding() {
    const QVariant stored = settings::Value(kKey);
    if (!stored.isValid())
        return true;
    const QString name = stored.toString().trimmed();
    if (!name.isEmpty() && name.size() <= kMaxNameChars && name.isSimpleText() &&
        enc::SetWireEncoding(name.toStdString()))
        return true;
    enc::SetWireEncoding(enc::kAnsi);
    std::fprintf(stderr,
                 "quillet: the stored message encoding \"%s\" is not usable here; using %s\n",
                 qUtf8Printable(name.left(kMaxNameChars)), enc::kAnsi);
    return false;
}

}  // namespace quillet::pages
