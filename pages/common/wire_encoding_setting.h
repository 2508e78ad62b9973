#pragma once
// The wire encoding chosen in the encoding dialog, kept in the settings ("encoding/wire") and
// put in force again at start-up. A stored name this machine cannot convert gives the default
// (the locale's encoding) and one warning line on standard error.
//
// Threads: user-interface thread only (as app_settings.h).
namespace quillet::pages {

// Stores the encoding in force.
void StoreWireEncoding();
// Puts the stored encoding in force; false (after the warning) when a stored one is unusable.
bool RestoreWireEncoding();

}  // namespace quillet::pages
