#pragma once
// The baseline the real program is measured beside: a bare window in a bare Qt application,
// whose side thread does the plain socket work on 127.0.0.1:PORT.
//   none:   nothing (start-up only)
//   read:   accepts one connection and reads it to its end with plain recv calls
//   accept: a plain accept loop that starts a default std::thread per client, each in recv
// `bench_program --bare-window MODE PORT`; it runs until it is killed.
namespace quillet::bench {

int RunBareWindow(int argc, char** argv);

}  // namespace quillet::bench
