#include "pages/workspace/made_endpoints.h"

#include <algorithm>

namespace quillet::pages {

void MadeEndpoints::Add(const EndpointSpec& spec, std::vector<Record> records) {
    m_made.push_back({spec, std::move(records)});
}

std::vector<EndpointSpec> MadeEndpoints::List(const std::function<bool(uint64_t key)>& listed,
                                              bool serverKept) const {
    std::vector<EndpointSpec> out;
    for (const Made& made : m_made) {
        if (made.records.empty()) {
            if (serverKept)
                out.push_back(made.spec);
            continue;
        }
        std::vector<int> ports;
        for (const Record& r : made.records)
            if (listed(r.key))
                ports.push_back(r.localPort);
        if (ports.empty())
            continue;
        if (ports.front() == 0) {  // alike: one endpoint with the count that is left
            EndpointSpec spec = made.spec;
            spec.count = static_cast<int>(ports.size());
            out.push_back(spec);
            continue;
        }
        std::sort(ports.begin(), ports.end());
        for (size_t i = 0; i < ports.size();) {
            size_t end = i + 1;
            while (end < ports.size() && ports[end] == ports[end - 1] + 1)
                ++end;
            EndpointSpec spec = made.spec;
            spec.localPort = ports[i];
            spec.count = static_cast<int>(end - i);
            out.push_back(spec);
            i = end;
        }
    }
    return out;
}

}  // namespace quillet::pages
