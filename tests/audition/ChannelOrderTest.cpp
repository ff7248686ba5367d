// The output device of the main window: the rate probe, the channel order file
// tmvasio.ini, the output-order dialog, and the stored device chosen at start-up.
#include "ASIOSettingUnit.h"
#include "AuditionFixture.h"
#include "CardUnit.h"
#include "IniFile.h"
#include "OptionIni.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace {

std::string Driver(const std::string& name, int outputs, const std::string& rates) {
    return "[" + name + "]\nclsid=vantrel.null\npath=" VANTREL_NULL_PLUGIN "\ndescription=" + name +
           "\noutputs=" + std::to_string(outputs) + "\nrates=" + rates + "\nrate=" + rates.substr(0, 5) +
           "\n";
}

QStringList Texts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

QByteArray Utf16File(const QString& text) {
    QByteArray bytes("\xFF\xFE", 2);
    for (QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class ChannelOrderTest : public AuditionTest {
protected:
    std::string Registry() override {
        return Driver("First Device", 4, "44100,48000,96000") + Driver("Second Device", 2, "44100");
    }

    QString OrderFile() const { return SettingsFolderPath() + QStringLiteral("tmvasio.ini"); }

    // Runs the output-order command; `script` acts on the dialog while it is shown.
    void RunDialog(const std::function<void(TfrmASIOSetting*)>& script) {
        bool shown = false;
        QTimer::singleShot(0, w.get(), [&] {
            auto* dialog = w->findChild<TfrmASIOSetting*>();
            ASSERT_NE(dialog, nullptr);
            shown = true;
            script(dialog);
        });
        w->actASIOSettingExecute();
        EXPECT_TRUE(shown) << "the dialog was not shown";
    }
};

} // namespace

TEST_F(ChannelOrderTest, ProbeFindsTheDriversRatesWithItsOutputs) {
    ASSERT_FALSE(w->useMME);
    EXPECT_EQ(w->soundDeviceId, 0);
    EXPECT_EQ(w->deviceFormats, (DeviceFormatMap{{44100, 4}, {48000, 4}, {96000, 4}}));
    QStringList names;
    EXPECT_EQ(w->ListAsioDrivers(&names), 2);
    EXPECT_EQ(names, (QStringList{QStringLiteral("First Device"), QStringLiteral("Second Device")}));
}

// The dialog lists every channel once; moving channel 2 to the top and OK stores 2, 0, 1, 3.
TEST_F(ChannelOrderTest, DialogStoresTheOrderTheOperatorMade) {
    RunDialog([](TfrmASIOSetting* d) {
        EXPECT_EQ(d->stxDeviceName->text(), QStringLiteral("First Device"));
        EXPECT_EQ(Texts(d->lstOutputOrder),
                  (QStringList{"1:Null Out 1", "2:Null Out 2", "3:Null Out 3", "4:Null Out 4"}));
        d->lstOutputOrder->setCurrentRow(2);
        d->sbtnUp->click();
        d->sbtnUp->click();
        d->sbtnUp->click(); // already first: stays
        EXPECT_EQ(d->lstOutputOrder->currentRow(), 0);
        d->btnOK->click();
    });
    EXPECT_EQ(w->asioChannelOrder, (std::vector<int32_t>{2, 0, 1, 3}));
    EXPECT_EQ(w->frmCard->output.asioChannelOrder, w->asioChannelOrder);
    EXPECT_EQ(ReadAll(OrderFile()),
              Utf16File(QStringLiteral("[Device1]\r\nName=First Device\r\nOrderCount=4\r\n"
                                       "Order1=2\r\nOrder2=0\r\nOrder3=1\r\nOrder4=3\r\n\r\n"
                                       "[General]\r\nCount=1\r\n\r\n")));
}

// A stored order with a repeated and an unknown channel lists each channel once, the
// stored ones first, and every channel that the order lacks after them.
TEST_F(ChannelOrderTest, DialogListsStoredOrderThenTheRestWithoutDuplicates) {
    w->asioChannelOrder = {3, 3, 9, 1};
    RunDialog([](TfrmASIOSetting* d) {
        EXPECT_EQ(d->Order(), (std::vector<int>{3, 1, 0, 2}));
        EXPECT_EQ(Texts(d->lstOutputOrder),
                  (QStringList{"4:Null Out 4", "2:Null Out 2", "1:Null Out 1", "3:Null Out 3"}));
        d->btnCancel->click();
    });
    EXPECT_EQ(w->asioChannelOrder, (std::vector<int32_t>{3, 3, 9, 1})) << "Cancel changes nothing";
    EXPECT_FALSE(QFile::exists(OrderFile()));
}

TEST_F(ChannelOrderTest, DragMovesToTheEndOrTheStartAndInitializeRestores) {
    RunDialog([](TfrmASIOSetting* d) {
        QListWidget* list = d->lstOutputOrder;
        const auto centre = [list](int row) { return list->visualItemRect(list->item(row)).center(); };
        d->lstOutputOrderMouseDown(centre(0));
        d->lstOutputOrderDragDrop(QPoint(5, list->viewport()->height() - 1));
        EXPECT_EQ(d->Order(), (std::vector<int>{1, 2, 3, 0})) << "dropped below the last item";
        d->lstOutputOrderMouseDown(centre(2));
        d->lstOutputOrderDragDrop(QPoint(5, -5));
        EXPECT_EQ(d->Order(), (std::vector<int>{3, 1, 2, 0})) << "dropped above the first item";
        d->lstOutputOrderMouseDown(centre(3));
        d->lstOutputOrderDragDrop(centre(1));
        EXPECT_EQ(d->Order(), (std::vector<int>{3, 0, 1, 2})) << "dropped on an item";
        d->sbtnDownClick();
        EXPECT_EQ(d->Order(), (std::vector<int>{3, 1, 0, 2}));
        d->sbtnInitializeClick();
        EXPECT_EQ(d->Order(), (std::vector<int>{0, 1, 2, 3}));
        d->btnOK->click();
    });
    EXPECT_EQ(w->asioChannelOrder, (std::vector<int32_t>{0, 1, 2, 3}));
}

// Names match with ASCII case folded: the first matching section is read and rewritten,
// keeping its name; negative entries are skipped; a new device is appended.
TEST_F(ChannelOrderTest, OrderFileLoadAndSave) {
    ASSERT_TRUE(CreateSettingsFolder());
    {
        QFile file(OrderFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(
            Utf16File(QStringLiteral("[General]\r\nCount=2\r\n[Device1]\r\nName=FIRST device\r\n"
                                     "OrderCount=3\r\nOrder1=1\r\nOrder2=-1\r\nOrder3=0\r\n"
                                     "[Device2]\r\nName=First Device\r\nOrderCount=1\r\nOrder1=3\r\n")));
    }
    w->LoadAsioChannelOrder(QStringLiteral("first DEVICE"));
    EXPECT_EQ(w->asioChannelOrder, (std::vector<int32_t>{1, 0}));

    w->asioChannelOrder = {2, 3};
    w->SaveAsioChannelOrder(QStringLiteral("First Device"));
    w->asioChannelOrder = {1};
    w->SaveAsioChannelOrder(QStringLiteral("Other"));
    tamvik::IniFile ini;
    ASSERT_TRUE(ini.LoadFromFile(OrderFile()));
    EXPECT_EQ(ini.ReadString("Device1", "Name", ""), QStringLiteral("FIRST device"));
    EXPECT_EQ(ini.ReadSectionValues("Device1"),
              (QStringList{"Name=FIRST device", "OrderCount=2", "Order1=2", "Order2=3"}));
    EXPECT_EQ(ini.ReadSectionValues("Device2"),
              (QStringList{"Name=First Device", "OrderCount=1", "Order1=3"}));
    EXPECT_EQ(ini.ReadSectionValues("Device3"), (QStringList{"Name=Other", "OrderCount=1", "Order1=1"}));
    EXPECT_EQ(ini.ReadInteger("General", "Count", 0), 3);

    w->LoadAsioChannelOrder(QStringLiteral("nobody"));
    EXPECT_TRUE(w->asioChannelOrder.empty());
}

// At start-up the stored device is selected with its own channel order and rates, also
// when it is the first device (whose order the nameless first load could not find).
TEST_F(ChannelOrderTest, StartUpLoadsTheStoredDevicesOrderAndRates) {
    struct Case {
        const char* device;
        int id;
        std::vector<int32_t> order;
        DeviceFormatMap formats;
    };
    for (const Case& c : {Case{"First Device", 0, {3, 2, 1, 0}, {{44100, 4}, {48000, 4}, {96000, 4}}},
                          Case{"Second Device", 1, {1, 0}, {{44100, 2}}}}) {
        w.reset();
        ASSERT_TRUE(SaveAsioSetting(QString::fromLatin1(c.device)));
        {
            TfrmMain writer;
            writer.asioChannelOrder = c.order;
            writer.SaveAsioChannelOrder(QString::fromLatin1(c.device));
        }
        MakeWindow();
        EXPECT_EQ(w->soundDeviceId, c.id) << c.device;
        EXPECT_EQ(w->asioChannelOrder, c.order) << c.device;
        EXPECT_EQ(w->deviceFormats, c.formats) << c.device;
        EXPECT_EQ(w->frmCard->output.asioChannelOrder, c.order) << c.device;
    }
}
