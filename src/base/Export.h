#pragma once

// Symbols are hidden by default; the host interface is marked with TOOLBOX_API. Members of an
// exported class that only the library calls are marked TOOLBOX_LOCAL, so the class's export
// does not carry them along.
#define TOOLBOX_API __attribute__((visibility("default")))
#define TOOLBOX_LOCAL __attribute__((visibility("hidden")))
