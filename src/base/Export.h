#pragma once

// Symbols are hidden by default; the host interface is marked with TOOLBOX_API.
#define TOOLBOX_API __attribute__((visibility("default")))
