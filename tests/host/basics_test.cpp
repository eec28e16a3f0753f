#include <gtest/gtest.h>

#include "host/arx.h"

TEST(Smoke, NewDrawing) {
    AcDbDatabase db;
    EXPECT_FALSE(db.layerTableId().isNull());
}
