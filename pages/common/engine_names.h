#pragma once
// The pages name the engine's classes and functions as its own (ConnectInfo, g_csConnect,
// sock::CloseSocket): they are written for one another.
//
// Threads: names only.
namespace quillet::engine {}

namespace quillet::pages {
using namespace quillet::engine;
}  // namespace quillet::pages
