// Choosing the port access: a missing, refused or busy device is reported and the program
// falls back, never crashes.

#include "core/card/port_choice.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "core/card/direct_port.h"
#include "sim/card/simulated_k8000.h"

namespace chromaflow {
namespace {

namespace fs = std::filesystem;

// A stand-in for the kernel's ppdev driver: what open and the claim do, and the registers.
struct FakeDevice {
  static inline int openErrno = 0;
  static inline int claimErrno = 0;
  static inline unsigned char status = 0x78;
  static inline unsigned char control = 0;
  static inline int released = 0;
  static inline int closed = 0;

  static int open(const char*, int) {
    if (openErrno) {
      errno = openErrno;
      return -1;
    }
    return 42;
  }
  static int ioctl(int, unsigned long request, void* argument) {
    auto* byte = static_cast<unsigned char*>(argument);
    if (request == PPCLAIM && claimErrno) {
      errno = claimErrno;
      return -1;
    }
    if (request == PPRSTATUS) *byte = status;
    if (request == PPRCONTROL) *byte = control;
    if (request == PPWCONTROL) control = *byte;
    if (request == PPRELEASE) ++released;
    return 0;
  }
  static int close(int) { return ++closed, 0; }
  static void reset() { openErrno = claimErrno = released = closed = 0; }
};

struct PortChoiceFixture : ::testing::Test {
  fs::path root;
  PpdevLocation location;

  void SetUp() override {
    FakeDevice::reset();
    root = fs::path(::testing::TempDir()) / ("ports-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    fs::create_directories(root / "proc");
    location.parportInfo = (root / "proc").string();
    location.devices = (root / "dev").string();  // never opened: the system calls are faked
    location.system = {FakeDevice::open, FakeDevice::ioctl, FakeDevice::close};
  }
  void TearDown() override { fs::remove_all(root); }

  void kernelKnows(const std::string& name, unsigned base) {
    fs::create_directories(root / "proc" / name);
    std::ofstream(root / "proc" / name / "base-addr") << base << "\t" << base + 0x400 << "\n";
  }

  PortChoice choose() {
    PortChoiceOptions options;
    options.ppdev = location;
    options.tryDirectIo = false;
    return choosePortAccess(ParallelPortKind::Lpt1, [] { return std::make_unique<sim::SimulatedK8000>(); }, options);
  }
};

TEST_F(PortChoiceFixture, PicksTheDeviceWhoseBaseIsThePorts) {
  kernelKnows("parport0", 0x3BC);
  kernelKnows("parport1", 0x378);
  PortChoice choice = choose();
  ASSERT_EQ(choice.backend, PortBackend::Ppdev);
  EXPECT_TRUE(choice.hardwareProblems.empty());
  EXPECT_NE(choice.summary().find(location.devices + "/parport1"), std::string::npos);

  choice.port->writeByte(0x37A, 0x0E);
  EXPECT_EQ(FakeDevice::control, 0x0E);
  EXPECT_EQ(choice.port->readByte(0x37A), 0x0E);
  EXPECT_EQ(choice.port->readByte(0x379), 0x78);
  EXPECT_EQ(choice.port->readByte(0x3BD), 0xFF);  // another port: nothing there
  choice.port->writeByte(0x378, 0x55);             // the data register is never written
  EXPECT_EQ(FakeDevice::control, 0x0E);
  choice.port.reset();
  EXPECT_EQ(FakeDevice::released, 1);
  EXPECT_EQ(FakeDevice::closed, 1);
}

TEST_F(PortChoiceFixture, NoParallelPortFallsBackToTheSimulatedCard) {
  kernelKnows("parport0", 0x278);
  PortChoice choice = choose();
  EXPECT_EQ(choice.backend, PortBackend::Simulated);
  ASSERT_EQ(choice.hardwareProblems.size(), 1u);
  EXPECT_EQ(choice.hardwareProblems[0].problem, PortProblem::NoDevice);
  EXPECT_NE(dynamic_cast<sim::SimulatedK8000*>(choice.port.get()), nullptr);

  location.parportInfo = (root / "missing").string();
  EXPECT_EQ(choose().hardwareProblems[0].problem, PortProblem::NoDevice);
}

TEST_F(PortChoiceFixture, DeviceErrorsAreReportedWithTheSystemsMessage) {
  kernelKnows("parport0", 0x378);
  FakeDevice::openErrno = EACCES;
  PortChoice refused = choose();
  EXPECT_EQ(refused.backend, PortBackend::Simulated);
  EXPECT_EQ(refused.hardwareProblems[0].problem, PortProblem::PermissionRefused);
  EXPECT_NE(refused.summary().find(std::strerror(EACCES)), std::string::npos);
  EXPECT_NE(refused.summary().find("permission refusée"), std::string::npos);

  FakeDevice::openErrno = ENOENT;
  EXPECT_EQ(choose().hardwareProblems[0].problem, PortProblem::NoDevice);

  FakeDevice::openErrno = 0;
  FakeDevice::claimErrno = EBUSY;
  PortChoice busy = choose();
  EXPECT_EQ(busy.hardwareProblems[0].problem, PortProblem::Busy);
  EXPECT_EQ(FakeDevice::closed, 1);  // the device is not left open
}

// Each way the card can be out of reach names the one thing the operator does about it.
TEST_F(PortChoiceFixture, EachRefusalNamesItsFix) {
  location.modules = (root / "modules").string();
  auto modulesLoaded = [&](const std::string& lines) { std::ofstream(root / "modules") << lines; };
  struct Case {
    const char* what;
    std::function<void()> arrange;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"no parallel port driver", [&] { location.parportInfo = (root / "missing").string(); },
       "sudo modprobe parport_pc ppdev"},
      {"ports elsewhere", [&] { kernelKnows("parport0", 0x278); }, "sur 0x378 dans son BIOS"},
      {"device node missing", [&] { kernelKnows("parport0", 0x378), FakeDevice::openErrno = ENOENT; },
       "sudo modprobe ppdev"},
      {"printer driver holds it",
       [&] {
         kernelKnows("parport0", 0x378), FakeDevice::claimErrno = EBUSY;
         modulesLoaded("ppdev 24576 0 - Live 0x0\nlp 20480 0 - Live 0x0\nparport 69632 3 - Live 0x0\n");
       },
       "sudo modprobe -r lp"},
      {"another program holds it",
       [&] {
         kernelKnows("parport0", 0x378), FakeDevice::claimErrno = EBUSY;
         modulesLoaded("lpfc 1 0 - Live 0x0\nppdev 24576 0 - Live 0x0\n");
       },
       "un autre programme utilise " + location.devices + "/parport0 : fermez-le"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeDevice::reset();
    fs::remove_all(root / "proc");
    fs::create_directories(root / "proc");
    location.parportInfo = (root / "proc").string();
    c.arrange();
    const PortChoice choice = choose();
    EXPECT_EQ(choice.backend, PortBackend::Simulated);
    EXPECT_NE(choice.remedy().find(c.expected), std::string::npos) << choice.remedy();
  }

  FakeDevice::reset();
  fs::create_directories(root / "proc");
  location.parportInfo = (root / "proc").string();
  EXPECT_EQ(choose().remedy(), "");  // the card is reached: nothing to do
}

TEST_F(PortChoiceFixture, AForbiddenDeviceNamesItsGroup) {
  // The group is read from the device itself, not assumed.
  fs::create_directories(root / "dev");
  std::ofstream(root / "dev" / "parport0") << "";
  struct stat device {};
  ASSERT_EQ(::stat((root / "dev" / "parport0").c_str(), &device), 0);
  const std::string group = ::getgrgid(device.st_gid)->gr_name;
  kernelKnows("parport0", 0x378);
  location.devices = (root / "dev").string();
  FakeDevice::openErrno = EACCES;
  const std::string remedy = choose().remedy();
  EXPECT_NE(remedy.find("au groupe " + group + " : sudo adduser "), std::string::npos) << remedy;
  EXPECT_NE(remedy.find(" " + group + ", puis fermez la session"), std::string::npos) << remedy;
}

TEST_F(PortChoiceFixture, RealDevicesMissingHereAreReportedNotCrashedOn) {
  // This machine has no parallel port: whatever the real system answers, it is a reason.
  PortChoiceOptions options;
  options.ppdev.parportInfo = (root / "none").string();
  PortChoice choice = choosePortAccess(ParallelPortKind::Lpt1, [] { return std::make_unique<sim::SimulatedK8000>(); }, options);
  if (choice.backend == PortBackend::Simulated) {
    ASSERT_EQ(choice.hardwareProblems.size(), 2u);
    EXPECT_FALSE(choice.hardwareProblems[1].detail.empty());
  }
  auto real = openPpdevPort(ParallelPortKind::Lpt2, PpdevLocation{.parportInfo = (root / "proc").string()});
  EXPECT_TRUE(std::holds_alternative<PortOpenFailure>(real));
}

// Only the granted port's status and control registers reach the processor's in and out
// instructions: anything else would fault without the kernel's grant.
TEST(DirectPort, RegistersOutsideTheGrantedPortsReadReleasedAndTakeNoWrite) {
  DirectPort port({registersOf(ParallelPortKind::Lpt2)});
  for (std::uint16_t address : {0x378, 0x379, 0x37A, 0x3BD, 0x278, 0x27B}) {
    EXPECT_EQ(port.readByte(address), 0xFF) << std::hex << address;
    port.writeByte(address, 0x0C);
  }
}

TEST(PortProblem, ErrnoValuesMapToWhatTheOperatorCanDo) {
  EXPECT_EQ(problemOfErrno(EPERM), PortProblem::PermissionRefused);
  EXPECT_EQ(problemOfErrno(EACCES), PortProblem::PermissionRefused);
  EXPECT_EQ(problemOfErrno(ENOENT), PortProblem::NoDevice);
  EXPECT_EQ(problemOfErrno(ENODEV), PortProblem::NoDevice);
  EXPECT_EQ(problemOfErrno(EBUSY), PortProblem::Busy);
  EXPECT_EQ(problemOfErrno(ENOSYS), PortProblem::NotSupported);
  EXPECT_EQ(problemOfErrno(EIO), PortProblem::Failed);
}

}  // namespace
}  // namespace chromaflow
