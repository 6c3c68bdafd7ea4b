#pragma once
// What the copier prepares before its first window: the prefix with the
// installed data sources linked in, and the scanner selection dialog.
void PrepareStartup(const char* argv0);
