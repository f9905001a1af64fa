#pragma once

// What the model needs of the parts list it fills after an open.
class IPartsList {
public:
    virtual void clear() = 0;
    virtual void addParts(const char* name, unsigned data) = 0;
    virtual void setPartsCheck(unsigned index, int check, int redraw) = 0;
    virtual void selectItem(unsigned index) = 0;

protected:
    ~IPartsList() = default;
};
