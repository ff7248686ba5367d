#include "AsioDriverList.h"
#include "DriverRegistryFile.h"
#include "VantrelTestKit.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace vantrel;
using vantrel_test::DriverRegistry;
using vantrel_test::NullSection;

namespace {

const std::string kFortyChars = "Forty characters of driver description!!";

std::string Registry() {
    return "; comment line\n" + NullSection("First") +
           "[Missing plug-in]\nclsid=vantrel.null\npath=/nonexistent/vantrel-none.so\n\n"
           "[No class id]\npath=" VANTREL_NULL_PLUGIN "\n\n" +
           NullSection(kFortyChars) + NullSection("First", "outputs=8") +
           "[Unknown class]\nclsid=vantrel.unknown\npath=" VANTREL_NULL_PLUGIN "\n";
}

} // namespace

TEST(DriverRegistryFile, ParsesSectionsKeysAndComments) {
    DriverRegistryFile file;
    file.Parse(
        "\xEF\xBB\xBF"
        "orphan=1\n# comment\n[ A ]\n Clsid = x.y \npath=p\nnoequals\n[B]\ndescription=with = sign\r\n");
    ASSERT_EQ(file.Sections().size(), 2u);
    EXPECT_EQ(file.Sections()[0].name, "A");
    ASSERT_NE(file.Sections()[0].Find("CLSID"), nullptr);
    EXPECT_EQ(*file.Sections()[0].Find("clsid"), "x.y");
    EXPECT_EQ(file.Sections()[0].values.size(), 2u);
    EXPECT_EQ(*file.Sections()[1].Find("description"), "with = sign");
}

TEST(AsioDriverList, SkippedEntriesShiftLaterIndexes) {
    DriverRegistry registry(Registry());
    AsioDriverList list;
    ASSERT_EQ(list.GetCount(), 4) << "no entry for a missing plug-in file or a missing clsid";
    char name[32];
    ASSERT_EQ(list.GetDriverName(0, name, 32), kListOk);
    EXPECT_STREQ(name, "First");
    ASSERT_EQ(list.GetDriverName(1, name, 32), kListOk);
    EXPECT_EQ(std::string(name), kFortyChars.substr(0, 28) + "...") << "a long name is cut with ...";
    EXPECT_EQ(list.GetDriverName(4, name, 32), kListNoEntry);
    EXPECT_EQ(list.GetDriverName(-1, name, 32), kListNoEntry);
    EXPECT_EQ(list.GetDriverName(0, nullptr, 32), kListNullArgument);

    char storage[4][32];
    char* buffers[4] = {storage[0], storage[1], storage[2], storage[3]};
    EXPECT_EQ(list.GetDriverNames(buffers, 3), 3);
    EXPECT_STREQ(storage[2], "First");
}

TEST(AsioDriverList, OpenTwiceGivesAlreadyCreated) {
    DriverRegistry registry(Registry());
    AsioDriverList list;
    Driver* driver = nullptr;
    EXPECT_EQ(list.OpenDriver(0, nullptr), kListNullArgument);
    EXPECT_EQ(list.OpenDriver(9, &driver), kListNoEntry);
    ASSERT_EQ(list.OpenDriver(0, &driver), kListOk);
    ASSERT_NE(driver, nullptr);
    EXPECT_TRUE(driver->init(nullptr));
    Driver* second = nullptr;
    EXPECT_EQ(list.OpenDriver(0, &second), kListAlreadyCreated);
    EXPECT_EQ(list.CloseDriver(0), kListOk);
    EXPECT_EQ(list.OpenDriver(0, &second), kListOk);
    EXPECT_EQ(list.OpenDriver(3, &driver), kListCreateFailed) << "the factory knows no such class";
}

TEST(AsioDriverList, LoadByNameTakesTheFirstAndFallsBack) {
    DriverRegistry registry(Registry());
    AsioDriverList list;
    char name[32];
    EXPECT_FALSE(list.GetCurrentDriverName(name));
    ASSERT_TRUE(list.LoadDriver("First"));
    EXPECT_EQ(list.GetCurrentIndex(), 0) << "two drivers of one name: the first is loaded";
    EXPECT_TRUE(list.GetCurrentDriverName(name));
    EXPECT_STREQ(name, "First");

    EXPECT_FALSE(list.LoadDriver("Unknown class"));
    EXPECT_EQ(list.GetCurrentIndex(), 0) << "the driver loaded before is loaded again";
    EXPECT_FALSE(list.LoadDriver("Nobody"));
    EXPECT_EQ(list.GetCurrentIndex(), 0);
    list.RemoveCurrentDriver();
    EXPECT_EQ(list.GetCurrentIndex(), -1);
}

TEST(AsioDriverList, MissingOrEmptyRegistryGivesNoDrivers) {
    DriverRegistry registry("");
    EXPECT_EQ(AsioDriverList().GetCount(), 0);
    EXPECT_EQ(AsioDriverList("/nonexistent/drivers.ini").GetCount(), 0);
}

TEST(AsioCallLayer, WithoutDriverClearsResults) {
    DestroyAsioDriverList();
    int a = 5, b = 6, c = 7, d = 8;
    EXPECT_EQ(ASIOGetChannels(&a, &b), kDriverNotPresent);
    EXPECT_EQ(a + b, 0);
    EXPECT_EQ(ASIOGetBufferSize(&a, &b, &c, &d), kDriverNotPresent);
    EXPECT_EQ(a + b + c + d, 0);
    ChannelInfo info{};
    EXPECT_EQ(ASIOGetChannelInfo(&info), kDriverNotPresent);
    EXPECT_EQ(info.channelGroup, -1);
    EXPECT_STREQ(info.name, "None");
    AsioDriverInfo driverInfo;
    EXPECT_EQ(ASIOInit(&driverInfo), kDriverNotPresent);
    EXPECT_STREQ(driverInfo.name, "No ASIO Driver");
}

TEST(AsioCallLayer, FailingInitLeavesNoDriverLoaded) {
    DriverRegistry registry(NullSection("Broken", "failInit=1"));
    ASSERT_TRUE(LoadAsioDriver("Broken"));
    AsioDriverInfo info;
    EXPECT_EQ(ASIOInit(&info), kDriverNotPresent);
    EXPECT_NE(std::strstr(info.errorMessage, "failInit"), nullptr);
    EXPECT_FALSE(IsAsioDriverLoaded());
    DestroyAsioDriverList();
}
