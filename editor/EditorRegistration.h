#pragma once
// The script files' type, registered for the runner: once at the editor's first start (recorded
// in "Wizard.ini" of the program folder) and on request from its menu.

// Registers ".ftp" scripts to open in the program folder's runner. ERegistryException when
// something cannot be written.
void RegisterScriptFileType();

// The first start's registration: nothing when it is recorded as done; otherwise registers and
// only then records it, so a registration that failed is tried again at the next start.
// Raises what the registration or the record raised.
void RegisterScriptFileTypeOnce();
