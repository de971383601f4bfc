#include "core/message_box.h"

#include <gtest/gtest.h>
#include <sstream>

namespace zumaset {
namespace {

TEST(StreamMessageBoxes, WritesOneIndentedBlock) {
    std::ostringstream out;
    StreamMessageBoxes boxes(out);
    boxes.Show("zumaset", "Chyba aplikace :  [5]\r\nPřístup byl odepřen.", MessageIcon::Exclamation);
    EXPECT_EQ(out.str(), "zumaset [warning]\n  Chyba aplikace :  [5]\n  Přístup byl odepřen.\n");
}

} // namespace
} // namespace zumaset
