// What a careless or hostile command line does to zentho-iap: outputs that are inputs,
// files that are not files, outputs that cannot be written, odd names, an impatient
// operator. Each gets a clear message and its exit code, and nothing is lost or sent.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/app/cli/cli_harness.h"
#include "tests/support/hang_guard.h"
#include "tests/support/temp_dir.h"
#include "transfer/session_messages.h"

namespace zentho::testing {
namespace {

class BadInputTest : public ::testing::Test {
 protected:
  // Nothing reached the simulated device (or it was never made).
  bool nothingSent() const { return cli.simulated.empty() || cli.simulated[0]->trace().empty(); }

  TempDir dir;
  const std::vector<std::uint8_t> image = PatternBytes(3000);
  const std::string firmware = dir.write("fw.bin", image);
  const std::string kept = std::string(image.begin(), image.end());
  CliHarness cli;
};

struct ClashCase {
  const char* name;
  std::vector<std::string> args;  // "@fw" is the firmware file, "@x" another file
  std::string message;
};

TEST_F(BadInputTest, OutputThatIsAnInputOrAnotherOutputIsRefusedBeforeAnythingIsTouched) {
  const std::string other = dir.file("x");
  const std::string link = dir.file("fw-link.bin");
  std::filesystem::create_symlink(firmware, link);
  const std::string hard = dir.file("fw-hard.bin");
  std::filesystem::create_hard_link(firmware, hard);
  const std::vector<ClashCase> cases = {
      {"log is the firmware", {"--log", "@fw"},
       "refusing to write --log @fw: it is the same file as the firmware file @fw"},
      {"trace is the firmware", {"--trace", "@fw"},
       "refusing to write --trace @fw: it is the same file as the firmware file @fw"},
      {"log through a symbolic link", {"--log", link},
       "refusing to write --log " + link + ": it is the same file as the firmware file @fw"},
      {"trace through a hard link", {"--trace", hard},
       "refusing to write --trace " + hard + ": it is the same file as the firmware file @fw"},
      {"log and trace, not yet made", {"--log", "@x", "--trace", "@x"},
       "refusing to write --trace @x: it is the same file as --log @x"},
      {"same new file by another spelling", {"--log", "@x", "--trace", dir.file("./x")},
       "refusing to write --trace " + dir.file("./x") + ": it is the same file as --log @x"},
  };
  for (const ClashCase& c : cases) {
    std::vector<std::string> args = {"download", "--simulate", "--mode", "kvm", firmware};
    for (std::string arg : c.args) args.push_back(arg == "@fw" ? firmware : arg == "@x" ? other : arg);
    std::string message = c.message;
    for (const auto& [from, to] : {std::pair{std::string("@fw"), firmware}, {std::string("@x"), other}}) {
      for (std::size_t at; (at = message.find(from)) != std::string::npos;) message.replace(at, from.size(), to);
    }
    const CliResult r = cli.run(args);
    EXPECT_EQ(r.code, 2) << c.name;
    EXPECT_EQ(r.err, "zentho-iap: " + message + "\n") << c.name;
    EXPECT_EQ(ReadFile(firmware), kept) << c.name;
    EXPECT_FALSE(std::filesystem::exists(other)) << c.name;
    EXPECT_TRUE(nothingSent()) << c.name;
  }
}

TEST_F(BadInputTest, TraceOverTheTraceBeingReplayedIsRefused) {
  ASSERT_EQ(cli.run({"download", "--simulate", "--mode", "kvm", firmware, "--trace", dir.file("t")}).code, 0);
  const std::string recorded = ReadFile(dir.file("t"));
  const CliResult r = cli.run({"download", "--simulate=" + dir.file("t"), "--mode", "kvm", firmware,
                               "--trace", dir.file("t")});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "zentho-iap: refusing to write --trace " + dir.file("t") +
                       ": it is the same file as the replayed trace " + dir.file("t") + "\n");
  EXPECT_EQ(ReadFile(dir.file("t")), recorded);
}

TEST_F(BadInputTest, ConfigBuildOverItsOwnTextIsRefused) {
  const std::string text = dir.write("c.txt", "00 00\n");
  const CliResult r = cli.run({"config", "build", text, "-o", text});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "zentho-iap: refusing to write -o " + text +
                       ": it is the same file as the configuration file " + text + "\n");
  EXPECT_EQ(ReadFile(text), "00 00\n");
}

TEST_F(BadInputTest, SecondOutputThatCannotBeMadeLeavesTheFirstAsItWas) {
  const std::string log = dir.write("old.log", "yesterday's log");
  const CliResult r = cli.run({"download", "--simulate", "--mode", "kvm", firmware, "--log", log,
                               "--trace", dir.file("no-such-folder/t")});
  EXPECT_EQ(r.code, 4);
  EXPECT_EQ(r.err, "zentho-iap: cannot write " + dir.file("no-such-folder/t") +
                       ": No such file or directory\n");
  EXPECT_EQ(ReadFile(log), "yesterday's log");
  EXPECT_TRUE(nothingSent());
}

TEST_F(BadInputTest, OutputOnAFullDiskIsExitFourWithTheSystemsReason) {
  for (const char* option : {"--log", "--trace"}) {
    const CliResult r = cli.run({"download", "--simulate", "--mode", "kvm", firmware, option, "/dev/full"});
    EXPECT_EQ(r.code, 4) << option;
    EXPECT_EQ(r.err, "zentho-iap: cannot write /dev/full: No space left on device\n") << option;
  }
}

TEST_F(BadInputTest, InputsThatAreNotRegularFilesAreRefusedWithoutBeingRead) {
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string folder = dir.file("");
  const std::string emptyTrace = dir.write("empty.trace", "# zentho-iap report trace 1\n");
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const std::vector<Case> cases = {
      {{"config", "check", folder}, "cannot read " + folder + ": is a directory"},
      {{"config", "check", fifo}, "cannot read " + fifo + ": is not a regular file"},
      {{"config", "check", "/dev/zero"}, "cannot read /dev/zero: is not a regular file"},
      {{"config", "build", "/dev/zero", "-o", dir.file("o")}, "cannot read /dev/zero: is not a regular file"},
      {{"download", "--simulate", "--mode", "kvm", fifo}, "cannot read " + fifo + ": is not a regular file"},
      {{"download", "--simulate", "--mode", "kvm", "/dev/zero"}, "cannot read /dev/zero: is not a regular file"},
      {{"download", "--simulate=/dev/zero", "--mode", "kvm", firmware},
       "cannot read the trace /dev/zero: is not a regular file"},
      {{"download", "--simulate=" + fifo, "--mode", "kvm", firmware},
       "cannot read the trace " + fifo + ": is not a regular file"},
      {{"download", "--simulate=" + folder, "--mode", "kvm", firmware},
       "cannot read the trace " + folder + ": is a directory"},
      {{"download", "--simulate=" + emptyTrace, "--mode", "kvm", firmware},
       emptyTrace + " is not a report trace: it holds no exchanges"},
  };
  for (const Case& c : cases) {
    const CliResult r = cli.run(c.args);
    EXPECT_EQ(r.code, 4) << c.err;
    EXPECT_EQ(r.err, "zentho-iap: " + c.err + "\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("o")));
  }
}

// Every output of every verb, and the station's records, as a FIFO (nobody reading),
// a folder or a device: refused through the file guard, never waited on.
TEST_F(BadInputTest, OutputsThatAreNotFilesAreRefusedWithoutBlocking) {
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string text = std::string(ZENTHO_SOURCE_DIR) + "/examples/config-demo.txt";
  const std::string notRegular = ": is not a regular file\n";
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string err;
  };
  const std::vector<Case> cases = {
      {{"download", "--simulate", "--mode", "kvm", firmware, "--log", fifo}, 4, "cannot write " + fifo + notRegular},
      {{"download", "--simulate", "--mode", "kvm", firmware, "--trace", fifo}, 4, "cannot write " + fifo + notRegular},
      {{"config", "build", text, "-o", fifo}, 4, "cannot write " + fifo + notRegular},
      {{"station", "--simulate", "--mode", "kvm", firmware, "--record", fifo}, 4, "cannot write " + fifo + notRegular},
      {{"station", "--simulate", "--mode", "kvm", firmware, "--record-csv", fifo}, 4, "cannot write " + fifo + notRegular},
      {{"station", "--simulate", "--mode", "kvm", firmware, "--record", "/dev/null"}, 4, "cannot write /dev/null" + notRegular},
      {{"station", "--simulate", "--mode", "kvm", firmware, "--record", dir.file("")}, 4,
       "cannot write " + dir.file("") + ": is a directory\n"},
  };
  for (const Case& c : cases) {
    const CliResult r = WithHangGuard([&] { return cli.run(c.args); });
    EXPECT_EQ(r.code, c.code) << c.err;
    EXPECT_EQ(r.err, "zentho-iap: " + c.err);
    EXPECT_TRUE(nothingSent()) << c.err;
  }
}

// The station's image, plan and records: inputs that are not files are refused before a
// read, a record that is an input or the other record before anything is written.
TEST_F(BadInputTest, StationRefusesInputsThatAreNotFilesAndRecordsThatAreInputs) {
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string plan = dir.write("plan.txt", std::string("0.5 plug 1-1\n"));
  const std::string link = dir.file("fw-link.bin");
  std::filesystem::create_symlink(firmware, link);
  const std::string hard = dir.file("fw-hard.bin");
  std::filesystem::create_hard_link(firmware, hard);
  const std::string record = dir.file("r.json");
  const std::string longLine = dir.write("long-plan.txt", std::string(70000, '#') + "\n");
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string err;
  };
  const std::vector<Case> cases = {
      {{"--simulate", firmware, "--record", firmware}, 2,
       "refusing to write --record " + firmware + ": it is the same file as the firmware file " + firmware},
      {{"--simulate", firmware, "--record-csv", link}, 2,
       "refusing to write --record-csv " + link + ": it is the same file as the firmware file " + firmware},
      {{"--simulate", firmware, "--record", hard}, 2,
       "refusing to write --record " + hard + ": it is the same file as the firmware file " + firmware},
      {{"--simulate=plan:" + plan, firmware, "--record", plan}, 2,
       "refusing to write --record " + plan + ": it is the same file as the plan " + plan},
      {{"--simulate", firmware, "--record", record, "--record-csv", record}, 2,
       "refusing to write --record-csv " + record + ": it is the same file as --record " + record},
      {{"--simulate", fifo}, 4, "cannot read " + fifo + ": is not a regular file"},
      {{"--simulate", "/dev/zero"}, 4, "cannot read /dev/zero: is not a regular file"},
      {{"--simulate", dir.file("")}, 4, "cannot read " + dir.file("") + ": is a directory"},
      {{"--simulate=plan:" + fifo, firmware}, 4, "cannot read the plan " + fifo + ": is not a regular file"},
      {{"--simulate=plan:/dev/zero", firmware}, 4, "cannot read the plan /dev/zero: is not a regular file"},
      {{"--simulate=plan:" + longLine, firmware}, 4,
       "cannot read the plan " + longLine + ": line 1 is longer than 65536 bytes"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"station", "--mode", "kvm"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliResult r = WithHangGuard([&] { return cli.run(args); });
    EXPECT_EQ(r.code, c.code) << c.err;
    EXPECT_EQ(r.err, "zentho-iap: " + c.err + "\n");
    EXPECT_EQ(ReadFile(firmware), kept) << c.err;
    EXPECT_EQ(ReadFile(plan), "0.5 plug 1-1\n") << c.err;
    EXPECT_FALSE(std::filesystem::exists(record)) << c.err;
  }
}

// A record that the disk stops taking (the file-size limit plays the full disk: a write
// past it fails with EFBIG, as one on a full disk fails with ENOSPC) is said, and exit 4.
// The record already holds more than the captured output ever will, so only it is full.
TEST_F(BadInputTest, StationRecordThatCannotBeWrittenIsSaidAndExitFour) {
  std::string earlier;
  for (int i = 0; i < 20000; ++i) earlier += "{}\n";
  const std::string record = dir.write("r.json", earlier);
  struct rlimit before {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit full = before;
  full.rlim_cur = earlier.size();
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &full), 0);
  const CliResult r = cli.run({"station", "--simulate", "--mode", "kvm", firmware, "--limit", "1", "--record", record});
  ::setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(r.code, 4);
  EXPECT_NE(r.err.find("zentho-iap: cannot write the record " + record + ": File too large; no new sessions\n"),
            std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(record), earlier);
}

TEST_F(BadInputTest, TraceWithAbsurdLengthOrTimeIsAFailedSessionOrARefusal) {
  const std::string huge = dir.write("huge.trace", "0.000000 inlen ok 18446744073709551615 - -\n");
  CliResult r = cli.run({"download", "--simulate=" + huge, "--mode", "kvm", firmware});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find("GETSTATUS FAIL\n"), std::string::npos) << r.out;
  const std::string far = dir.write("far.trace", "18446744073709551615.000000 inlen ok 8 - -\n");
  r = cli.run({"download", "--simulate=" + far, "--mode", "kvm", firmware});
  EXPECT_EQ(r.code, 4);
  EXPECT_EQ(r.err, "zentho-iap: " + far +
                       " is not a report trace: line 1: bad time stamp \"18446744073709551615.000000\"\n");
  // One line without end: read no further than the longest line a recording can hold.
  const std::string endless = dir.write("endless.trace", "# zentho-iap report trace 1\n" + std::string(1 << 20, '0'));
  r = cli.run({"download", "--simulate=" + endless, "--mode", "kvm", firmware});
  EXPECT_EQ(r.code, 4);
  EXPECT_EQ(r.err, "zentho-iap: " + endless + " is not a report trace: line 2: longer than 33024 characters\n");
}

TEST_F(BadInputTest, WaitThatIsNotAFiniteNumberIsAUsageError) {
  for (const char* wait : {"nan", "inf", "-1", "1e400"}) {
    const CliResult r = cli.run({"download", "--simulate", "--mode", "kvm", firmware, "--wait", wait});
    EXPECT_EQ(r.code, 2) << wait;
    EXPECT_TRUE(nothingSent()) << wait;
  }
}

TEST_F(BadInputTest, UsageErrorsFoundWhileParsingAreJsonErrorsWithJson) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  // The station has no --json: its case shows that the empty value is refused.
  const std::vector<Case> cases = {
      {{"download", "--simulate", "--mode", "kvm", firmware, "--bogus", "--json"},
       "The following argument was not expected: --bogus"},
      {{"download", "--simulate", "--mode", "kvm", firmware, "--pid", "zz", "--json"}, "--pid: not a 16-bit hex ID: zz"},
      {{"download", "--simulate", "--mode", "kvmx", firmware, "--json"}, "--mode: kvmx not in {kvm,bootloader,config}"},
      {{"download", "--simulate", "--mode", "kvm", firmware, "--log", "", "--json"}, "--log: an empty value"},
      {{"station", "--simulate", "--mode", "kvm", firmware, "--record-csv", ""}, "--record-csv: an empty value"},
  };
  for (const Case& c : cases) {
    const CliResult r = cli.run(c.args);
    EXPECT_EQ(r.code, 2) << c.message;
    const bool json = c.args.back() == "--json";
    EXPECT_EQ(r.out, json ? R"({"event":"error","error":"usage","message":")" + c.message + "\"}\n" : "");
    EXPECT_EQ(r.err, c.message + "\nRun with --help for more information.\n");
    EXPECT_TRUE(nothingSent()) << c.message;
  }
}

TEST_F(BadInputTest, StandardOutputWhoseReaderHasGoneIsNamedAfterACompleteDownload) {
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  ::close(ends[0]);
  const auto previous = std::signal(SIGPIPE, SIG_IGN);
  cli.out = ::fdopen(ends[1], "w");
  const CliResult r = cli.run({"download", "--simulate", "--mode", "kvm", firmware});
  std::fclose(cli.out);
  std::signal(SIGPIPE, previous);
  EXPECT_EQ(r.code, 4);
  EXPECT_EQ(r.err, "zentho-iap: cannot write the standard output: Broken pipe (EPIPE: its reader closed the pipe)\n");
  EXPECT_FALSE(nothingSent());
}

TEST_F(BadInputTest, ControlBytesInFileNamesAreEscapedOnTheTerminalAndKeptInJson) {
  const std::string name = dir.file("a\x1b[2Jb\ncd\xff.bin");
  CliResult r = cli.run({"download", "--simulate", "--mode", "kvm", name});
  EXPECT_EQ(r.code, 4);
  EXPECT_EQ(r.err, "zentho-iap: cannot read " + dir.file("a\\x1b[2Jb\\ncd\\xff.bin") +
                       ": No such file or directory\n");
  r = cli.run({"download", "--simulate", "--mode", "kvm", name, "--json"});
  const nlohmann::json event = nlohmann::json::parse(r.out);
  EXPECT_EQ(event["message"], "cannot read " + dir.file("a\x1b[2Jb\ncd\xef\xbf\xbd.bin") +
                                  ": No such file or directory");
}

TEST_F(BadInputTest, InterruptedRunSaysSoBesidesBurnFailAndTheLogKeepsTheSessionsText) {
  sim::FaultPlan plan;
  plan.faults.push_back({.phase = sim::Phase::Transfer, .at = 1, .kind = sim::FaultKind::FailDelivery});
  cli.plug(*cli.systemBus, plan);
  cli.clock.onSleep([&](Clock::duration) { cli.stop.request_stop(); });
  const CliResult r = cli.run({"download", "--mode", "kvm", firmware, "--log", dir.file("l"), "--json"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err,
            "zentho-iap: stopping the download: the device may be left without a complete "
            "image (Ctrl-C again quits at once)\n"
            "zentho-iap: interrupted by the user\n");
  const std::vector<std::string> lines = Lines(r.out);
  EXPECT_EQ(nlohmann::json::parse(lines.back()),
            nlohmann::json::parse(R"({"event":"error","error":"interrupted","message":"interrupted by the user"})"));
  const std::string log = ReadFile(dir.file("l"));
  EXPECT_EQ(log.substr(log.size() - 60),
            std::string("DNLOAD FAIL, block number = 1, left len : 3b8\r\n") + std::string(msg::kBurnFail))
      << log;
}

}  // namespace
}  // namespace zentho::testing
