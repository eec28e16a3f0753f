// Dimensions (DIMENSION records of every kind): the user text that replaces or
// frames the measurement.
#pragma once

#include "host/dbmain.h"

class ARXHOST_API AcDbDimension : public AcDbEntity {
public:
    ACRX_DECLARE_MEMBERS(AcDbDimension);
    AcDbDimension();
    ~AcDbDimension() override;
    // The user text (DXF group 1): empty for the plain measurement, "<>" where
    // the measurement goes into a text of the user's. A copy the caller
    // releases (acStrFree).
    ACHAR* dimensionText() const;
    // Sets the user text. The dimension's block keeps showing the old text
    // until the block is redrawn (a program that redraws it takes this text).
    Acad::ErrorStatus setDimensionText(const ACHAR* text);
};
