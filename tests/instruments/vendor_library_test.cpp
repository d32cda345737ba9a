// Binding instrument makers' libraries by name at run time.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "instruments/vendor_library.h"

namespace halvo {
namespace {

TEST(VendorLibrary, AMissingLibraryOrCallIsAnErrorNotACrash) {
    VendorLibrary missing;
    EXPECT_FALSE(missing.open("libhalvo-no-such-vendor.so"));
    EXPECT_FALSE(missing.isOpen());
    EXPECT_NE(missing.error().find("cannot load libhalvo-no-such-vendor.so"), std::string::npos);
    EXPECT_EQ(missing.symbol("anything"), nullptr);

    VendorLibrary math;
    ASSERT_TRUE(math.open("libm.so.6")) << math.error();
    double (*cosine)(double) = nullptr;
    ASSERT_TRUE(math.bind(cosine, "cos"));
    EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
    int (*absent)() = nullptr;
    EXPECT_FALSE(math.bind(absent, "halvo_no_such_call"));
    EXPECT_NE(math.error().find("has no call halvo_no_such_call"), std::string::npos);

    VendorLibrary moved(std::move(math));
    EXPECT_TRUE(moved.isOpen());
    EXPECT_FALSE(math.isOpen());  // NOLINT(bugprone-use-after-move): the move empties it
}

TEST(VendorLibrary, LooksInTheConfiguredDirectoriesFirstAndStandInsLast) {
    ::setenv("HALVO_VENDOR_PATH", "/nonexistent-a:/lib/x86_64-linux-gnu", 1);
    VendorLibrary lib;
    ASSERT_TRUE(lib.open("libm.so.6"));
    EXPECT_EQ(lib.path(), "/lib/x86_64-linux-gnu/libm.so.6");
    ::unsetenv("HALVO_VENDOR_PATH");

    VendorLibrary::SetStandInDirectory("/nonexistent-stand-ins");
    VendorLibrary standIn;
    EXPECT_FALSE(standIn.open("libhalvo-stand-in-only.so"));
    VendorLibrary::SetStandInDirectory("");
}

}  // namespace
}  // namespace halvo
