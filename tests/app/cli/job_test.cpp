// Job files through the command line: written by `job create`, run by `station --job`,
// and refused before any board is touched when the image is not the job's.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/station/job_file.h"
#include "app/station/slot_map.h"
#include "tests/app/cli/cli_harness.h"
#include "tests/support/temp_dir.h"
#include "transfer/sha256.h"

namespace zentho::testing {
namespace {

std::string Sha256Hex(const std::string& bytes) {
  Sha256 hash;
  hash.update({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  return ToHex(hash.finish());
}

TEST(JobVerb, AJobIsWrittenAndRunAndTheRecordCarriesIt) {
  CliHarness cli;
  TempDir dir;
  const std::string firmware(3000, 'z');
  dir.write("fw.bin", firmware);
  dir.write("slots.txt", "# bench 1\n1-1 = A1\n1-2=A2\n");
  const std::string job = dir.file("lot7.job");
  const CliResult created = cli.run({"job", "create", "--mode", "kvm", dir.file("fw.bin"), "--lot", "WO-7",
                                     "--count", "1", "--slots", dir.file("slots.txt"), "-o", job});
  ASSERT_EQ(created.code, 0) << created.err;
  const std::string sha = Sha256Hex(firmware);
  EXPECT_EQ(created.out, job + ": job lot7, lot WO-7, kvm fw.bin (3000 bytes, SHA-256 " + sha +
                             "), 4a5d:7310, 1 passes wanted, 2 slots\n");
  EXPECT_EQ(ReadFile(job), "{\n  \"format\": \"zentho-iap job 1\",\n  \"job\": \"lot7\",\n  \"lot\": \"WO-7\",\n"
                           "  \"mode\": \"kvm\",\n  \"image\": \"fw.bin\",\n  \"size\": 3000,\n  \"sha256\": \"" +
                               sha +
                               "\",\n  \"vid\": \"4a5d\",\n  \"pid\": \"7310\",\n  \"count\": 1,\n"
                               "  \"quarantineAfter\": 3,\n  \"slots\": [\n    {\n      \"port\": \"1-1\",\n"
                               "      \"label\": \"A1\"\n    },\n    {\n      \"port\": \"1-2\",\n"
                               "      \"label\": \"A2\"\n    }\n  ]\n}\n");

  sim::BusInterfaceOptions where;
  where.portPath = "1-2";
  where.serialNumber = "SN9";
  cli.plug(*cli.systemBus, {}, where);
  const CliResult run = cli.run({"station", "--job", job, "--station-name", "bench-1", "--record",
                                 dir.file("r.jsonl")});
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(Lines(run.out),
            (std::vector<std::string>{
                "job lot7, lot WO-7, station bench-1",
                "station: kvm " + dir.file("fw.bin") + " (3000 bytes, SHA-256 " + sha +
                    "), waiting for 4a5d:7310 boards",
                "[A2] started on sim:0, serial SN9", "[A2] pass in 0.0 s",
                "passed 1  failed 0  unplugged 0  in progress 0", "1 session: 1 passed, 0 failed, 0 unplugged",
                "slot  passed  failed  yield", "A2    1       0       100.0 %"}));
  const std::string record = ReadFile(dir.file("r.jsonl"));
  EXPECT_NE(record.find("\"result\":\"pass\",\"failure\":null,\"seconds\":0.0,\"tool\":\"zentho-iap " +
                        std::string(ZENTHO_PROJECT_VERSION) +
                        "\",\"job\":\"lot7\",\"lot\":\"WO-7\",\"station\":\"bench-1\",\"slot\":\"A2\"}\n"),
            std::string::npos)
      << record;
}

TEST(JobVerb, WhatAJobRefusesBeforeAnyBoardIsTouched) {
  struct Case {
    const char* name;
    std::string mode;
    std::string image;       // what the job is made from
    std::string changedTo;   // what the image holds at the station's start; empty: unchanged
    int createCode;
    std::string createErr;
    int stationCode;
    std::string stationErr;
  };
  std::string sealed;
  for (unsigned line = 0; line < 16; ++line) sealed += "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\n";
  const std::string short_ = "00 01 02\n";
  TempDir dir;
  const std::string image = dir.file("image");
  const std::string job = dir.file("j.job");
  const std::vector<Case> cases = {
      {"another image than the job's", "kvm", std::string(3000, 'a'), std::string(3000, 'b'), 0, "", 4,
       "zentho-iap: " + image + " is not the image of the job " + job + ": SHA-256 " +
           Sha256Hex(std::string(3000, 'b')) + " (3000 bytes), the job's is " + Sha256Hex(std::string(3000, 'a')) +
           " (3000 bytes); no board touched\n"},
      {"a configuration that would not be sealed", "config", short_, "", 1,
       "zentho-iap: " + image + " gives 3 values, not 256 (line 2, column 1: end of file); a configuration "
       "job takes only a sealed image; no job written\n", 4, ""},
      {"a sealed configuration", "config", sealed, "", 0, "", 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CliHarness cli;
    std::remove(job.c_str());
    dir.write("image", c.image);
    const CliResult created = cli.run({"job", "create", "--mode", c.mode, image, "--count", "1", "-o", job});
    EXPECT_EQ(created.code, c.createCode);
    EXPECT_EQ(created.err, c.createErr);
    if (created.code != 0) {
      EXPECT_FALSE(std::ifstream(job).good());
      continue;
    }
    if (!c.changedTo.empty()) dir.write("image", c.changedTo);
    const std::shared_ptr<sim::SimulatedDevice> board = cli.plug(*cli.systemBus);
    const CliResult run = cli.run({"station", "--job", job, "--station-name", "s"});
    EXPECT_EQ(run.code, c.stationCode);
    if (c.stationCode != 0) {
      EXPECT_EQ(run.err, c.stationErr);
      EXPECT_EQ(run.out, "");
      EXPECT_TRUE(cli.systemBus->openAttempts().empty());
    }
  }
}

// A slot map is refused the same way from its text and from a job, where a port holding
// an '=' or starting with '#' would otherwise be read as another port and label.
TEST(SlotMaps, WhatTheTextAndTheJobRefuse) {
  using Ports = std::vector<std::pair<std::string, std::string>>;
  struct Case {
    Ports ports;
    std::string textError;  // ParseSlotMap of "PORT = LABEL" lines; empty: it reads
    std::string jobError;   // ParseJob of a job holding the same pairs
  };
  const std::vector<Case> cases = {
      {{{"1-1", "A"}, {"1-2", "A"}}, "line 2: label A is given to two ports",
       "\"slots\": slot 2: label A is given to two ports"},
      {{{"1-1", "A"}, {" 1-1 ", "B"}}, "line 2: port 1-1 is named twice", "\"slots\": slot 2: port 1-1 is named twice"},
      {{{"1-1", " "}}, "line 1: expected PORT = LABEL", "\"slots\": slot 1: expected PORT = LABEL"},
      {{{"1-1", "A\nB"}}, "line 2: expected PORT = LABEL", "\"slots\": slot 1: expected PORT = LABEL"},
      // The text can't say such a port: it reads as port 1-1 with the label "2 = A".
      {{{"1-1=2", "A"}}, "", "\"slots\": slot 1: port 1-1=2 can't be written as PORT = LABEL"},
      {{{"#1", "A"}}, "", "\"slots\": slot 1: port #1 can't be written as PORT = LABEL"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ports.front().first + " = " + c.ports.front().second);
    cli::SlotMap map{c.ports};
    std::string error;
    const std::optional<cli::SlotMap> fromText = cli::ParseSlotMap(cli::SlotMapText(map), error);
    EXPECT_EQ(fromText.has_value() ? "" : error, c.textError);
    cli::StationJob job;
    job.image = "fw.bin";
    job.sha256 = std::string(64, 'a');
    job.slots = map;
    error.clear();
    EXPECT_FALSE(cli::ParseJob(cli::JobJson(job), error));
    EXPECT_EQ(error, c.jobError);
  }
}

}  // namespace
}  // namespace zentho::testing
