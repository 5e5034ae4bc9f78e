#include "picking/Picker.h"

#include "picking/GroupHandle.h"
#include "picking/OctreePicker.h"

Picker* Picker::createPicker() { return new OctreePicker(); }

Picker* Picker::getAssociatedPicker(unsigned long group) {
    if (group == 0) return nullptr;
    return reinterpret_cast<GroupHandle const*>(group)->owner;
}

Picker::~Picker() = default;
