// Ending the Qt window while a download runs: the session stops, the window ends only
// once the worker has ended, then the link goes and (for a close request) setup.dat is
// written. Run under ThreadSanitizer too.
#include <QLabel>
#include <algorithm>
#include <QTest>
#include <fstream>
#include <sstream>

#include "app/window/control_ids.h"
#include "qt_harness.h"

using namespace zentho::window;

namespace zentho::qt::test {

class QtCloseDuringJobTest : public QObject {
  Q_OBJECT

 private slots:
  void endsAfterWorker_data();
  void endsAfterWorker();
};

void QtCloseDuringJobTest::endsAfterWorker_data() {
  QTest::addColumn<int>("way");
  QTest::addColumn<int>("result");
  QTest::addColumn<bool>("saves");
  QTest::newRow("close request") << 0 << int(QDialog::Rejected) << true;
  QTest::newRow("escape") << 1 << int(QDialog::Rejected) << false;
  QTest::newRow("enter") << 2 << int(QDialog::Accepted) << false;
}

void QtCloseDuringJobTest::endsAfterWorker() {
  QFETCH(int, way);
  QFETCH(int, result);
  QFETCH(bool, saves);
  QtHarness h;
  h.storePath(h.writeFirmware("fw.bin", 16 * 1024));
  h.window->start();
  QTest::mouseClick(h.window->control(kIdcConnect), Qt::LeftButton);
  std::shared_ptr<device::DeviceLink> link = h.dlg->DeviceHandle;

  // At the eighth report exchange the worker waits while the GUI thread ends the window.
  int exchanges = 0;
  bool visibleAfterRequest = false;
  IapWindow* window = h.window.get();
  h.bus.onExchange([&](const std::string&) {
    if (++exchanges != 8) return;
    h.windowThread.invoke([&] {
      if (way == 0) window->close();
      if (way == 1) QTest::keyClick(window->control(kIdcConnect), Qt::Key_Escape);
      if (way == 2) QTest::keyClick(window->control(kIdcVendorId), Qt::Key_Return);
      visibleAfterRequest = window->isVisible();
    });
  });
  QTest::mouseClick(h.window->control(kIdcDownload), Qt::LeftButton);
  h.waitForJobEnd();

  QVERIFY(visibleAfterRequest);
  QVERIFY(!h.window->isVisible());
  QCOMPARE(h.window->result(), result);
  QCOMPARE(exchanges, 8);
  QVERIFY(link->released());
  QVERIFY(link->closed());
  QCOMPARE(h.dlg->DeviceHandle, nullptr);
  QVERIFY(h.log().find("Burn fail") == std::string::npos);
  QVERIFY(h.tones.played().empty());
  const auto image = h.device->image(ImageType::KvmSystem);
  QVERIFY(image && !image->complete);
  std::ifstream settings(h.settingsFile(), std::ios::binary);
  std::ostringstream bytes;
  bytes << settings.rdbuf();
  const std::string stored = h.dlg->FilePath + "\r\n";
  // setup.dat was written before the window started; only a close request rewrites it.
  QCOMPARE(bytes.str(), stored);
  const std::vector<std::string> trace = h.trace.lines();
  QCOMPARE(std::count(trace.begin(), trace.end(), "-->OnClose\n"), saves ? 1 : 0);
}

}  // namespace zentho::qt::test

QTEST_MAIN(zentho::qt::test::QtCloseDuringJobTest)
#include "qt_close_during_job_test.moc"
