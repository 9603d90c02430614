// The platform's "description|pattern||" filters as Qt reads them.
#include "platform/ui/FileFilter.h"

#include <gtest/gtest.h>

using vellum::ui::ToQtFileFilter;

namespace {

TEST(FileFilter, PlatformPairsBecomeQtFilterLines)
{
    EXPECT_EQ(ToQtFileFilter(QString::fromUtf8("所有文件 (*.*)|*.*||")),
              QString::fromUtf8("所有文件 (*)"));
    EXPECT_EQ(ToQtFileFilter("Pictures|*.gif;*.jpg|All|*.*||"), "Pictures (*.gif *.jpg);;All (*)");
    EXPECT_EQ(ToQtFileFilter("Text (*.txt)|*.txt|"), "Text (*.txt)");
    EXPECT_EQ(ToQtFileFilter(""), "");
    EXPECT_EQ(ToQtFileFilter("broken"), "");
}

} // namespace
