// Multileaders (MULTILEADER).
#pragma once

#include "host/dbents.h"

class ARXHOST_API AcDbMLeaderStyle {
public:
    enum ContentType { kNoneContent = 0, kBlockContent = 1, kMTextContent = 2, kToleranceContent = 3 };
};

class ARXHOST_API AcDbMLeader : public AcDbEntity {
public:
    ACRX_DECLARE_MEMBERS(AcDbMLeader);
    AcDbMLeader();
    ~AcDbMLeader() override;

    AcDbMLeaderStyle::ContentType contentType() const;
    // The leader's text as a separate multiline-text object the caller owns
    // (delete it); null when the leader holds no text.
    AcDbMText* mtext() const;
    // Takes the contents of the given text as the leader's text. A changed text
    // also drops the leader's stored picture, which would show the old one.
    Acad::ErrorStatus setMText(const AcDbMText* text);
};
