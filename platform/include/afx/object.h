// CObject: the root of the framework's classes. Objects are not copyable: most own a handle.
#pragma once

#include "afx/defs.h"

class CObject {
public:
    virtual ~CObject() = default;

protected:
    CObject() = default;

private:
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
};
