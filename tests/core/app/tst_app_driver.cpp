#include "core/app/AppContext.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/reader/ReaderDllBase.h"

#include <QtTest>

#include <type_traits>

class TstAppDriver : public QObject
{
    Q_OBJECT

private slots:
    void freshDriver();
    void baseFailsEveryOperation();
    void everyFamilyGetsADriver();
    void holderLifecycle();
};

void TstAppDriver::freshDriver()
{
    static_assert(sizeof(std::declval<ReaderDllBase&>().GetHandle()) == sizeof(void*),
                  "a handle must hold a pointer");
    ReaderDllBase driver;
    QCOMPARE(driver.GetHandle(), intptr_t(0));
    QCOMPARE(driver.GetState(), 0);
    QVERIFY(driver.IsState(0));
    QVERIFY(!driver.IsState(2));
    const ConnectParam p = driver.GetConnectParam();
    QCOMPARE(p.connectType, 0);
    QCOMPARE(p.port, 0);
    QVERIFY(p.ipAddress.isEmpty());

    // A pointer-sized value survives the round trip through the handle field.
    *driver.HandleAddress() = static_cast<intptr_t>(0x7f12345678abLL);
    QCOMPARE(driver.GetHandle(), static_cast<intptr_t>(0x7f12345678abLL));
}

void TstAppDriver::baseFailsEveryOperation()
{
    ReaderDllBase driver;
    QVERIFY(!driver.OpenReader());
    QCOMPARE(driver.GetState(), 0);
    QVERIFY(!driver.CloseReader());
    QVERIFY(!driver.StopRead());
    char buffer[64] = {};
    QVERIFY(!driver.GetLibraryInfo(buffer));
    QCOMPARE(driver.GetErrorCode(), 0);
    QString info = QStringLiteral("untouched");
    driver.SetState(2);
    QVERIFY(!driver.GetReaderInfo(info));
    QCOMPARE(info, QStringLiteral("untouched"));
}

void TstAppDriver::everyFamilyGetsADriver()
{
    for (const char* family : {"6C", "GB", "GJB", "WIRELESS", "", "6c", "other"}) {
        std::unique_ptr<ReaderDllBase> driver = MakeReaderDriver(QString::fromLatin1(family));
        QVERIFY2(driver != nullptr, family);
        QCOMPARE(driver->GetState(), 0);
    }
}

void TstAppDriver::holderLifecycle()
{
    ReaderDriverHolder* holder = ReaderDriverHolder::Instance();
    QCOMPARE(ReaderDriverHolder::Instance(), holder);
    holder->CreateDriver(QStringLiteral("WIRELESS"));
    ReaderDllBase* first = holder->currentReader();
    QVERIFY(first);
    first->SetState(2);
    // A base driver cannot close, so disconnecting reports failure and keeps the state.
    QVERIFY(!AppContext::Instance()->disconnectReader());
    QCOMPARE(first->GetState(), 2);
    holder->DestroyDriver();
    // Asked again without a configured family, the holder still hands out a driver.
    QVERIFY(holder->currentReader());
    QCOMPARE(holder->currentReader()->GetState(), 0);
    ReaderDriverHolder::DestroyInstance();
    AppContext::DestroyInstance();
}

QTEST_GUILESS_MAIN(TstAppDriver)
#include "tst_app_driver.moc"
