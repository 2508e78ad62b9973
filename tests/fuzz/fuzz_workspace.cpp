// The workspace reader: any bytes are read without a crash, and a document it takes is written
// and read back to the same document (so a saved workspace always opens).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <variant>

#include <QJsonDocument>

#include "pages/workspace/workspace_doc.h"

using namespace quillet::pages;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    auto read = WorkspaceFromBytes(bytes);
    const auto* doc = std::get_if<WorkspaceDoc>(&read);
    if (!doc) {
        if (std::get<WorkspaceFault>(read).what.isEmpty())
            std::abort();  // a refusal always says why
        return 0;
    }
    const QJsonObject written = WorkspaceToJson(*doc);
    auto again = WorkspaceFromBytes(QJsonDocument(written).toJson());
    const auto* back = std::get_if<WorkspaceDoc>(&again);
    if (!back || WorkspaceToJson(*back) != written)
        std::abort();
    return 0;
}
