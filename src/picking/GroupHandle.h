#pragma once

class Picker;

// The heap record behind a picker's group handle, whose value is this record's address. The
// picker frees it when the group's dispose executes.
struct GroupHandle {
    Picker* owner;
    unsigned long groupNumber;
};
