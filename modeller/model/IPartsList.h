#pragma once

#include <string>

// What the model needs of the parts list it fills after an open.
class IPartsList {
public:
    virtual void clear() = 0;
    virtual void addParts(int partIndex, const std::string& name) = 0;
    virtual void setPartsCheck(int partIndex, int checked, int redraw) = 0;
    virtual void selectItem(int row) = 0;

protected:
    ~IPartsList() = default;
};
