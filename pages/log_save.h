#pragma once
// Saving a record's log to a file: the received log, the sent one, or both merged in time
// order; as the text the views show (UTF-8) or as the raw bytes.
//
// Threads: user-interface thread. The log is read a batch of chunks at a time through the
// page's RecordStore, each batch under g_csConnect for its copy only; workers keep appending
// meanwhile, and what came after the save began is not in the file.
#include <QString>

#include <cstdint>

class RecordStore;
struct ConnectInfo;

namespace quillet::pages {

enum class SaveWhat { kReceived = 0, kSent = 1, kBoth = 2 };
enum class SaveFormat { kText = 0, kRaw = 1 };

struct SaveResult {
    QString error;       // empty when it worked
    uint64_t bytes = 0;  // written to the file
};

// Writes the log to `path`, replacing the file.
SaveResult SaveRecordLog(RecordStore& store, const ConnectInfo* rec, SaveWhat what,
                         SaveFormat format, const QString& path);

}  // namespace quillet::pages
