#pragma once
// What a page's prompts made, for a workspace: each confirmed prompt's values and the records
// it made (their store keys and local ports). Listing asks which records are still there, so a
// deleted record leaves its prompt's count, and a gap in a run of local ports splits it in two.
//
// Threads: user-interface thread only (the page's).
#include <cstdint>
#include <functional>
#include <vector>

#include "pages/workspace/workspace_doc.h"

namespace quillet::pages {

class MadeEndpoints {
public:
    struct Record {
        uint64_t key = 0;
        int localPort = 0;  // 0: the records are alike (TCP client connections)
    };
    // `records` empty: the page's one server, listed while `serverKept` says so.
    void Add(const EndpointSpec& spec, std::vector<Record> records);
    // The endpoints whose records `listed` still finds, in the order they were made.
    std::vector<EndpointSpec> List(const std::function<bool(uint64_t key)>& listed,
                                   bool serverKept) const;

private:
    struct Made {
        EndpointSpec spec;
        std::vector<Record> records;
    };
    std::vector<Made> m_made;
};

}  // namespace quillet::pages
