// A written message must leave the host's stream exactly as the plain insertions
//   stream << prefix << message << std::endl; stream.flush();
// would: the same bytes, the same error state and the same exception, whatever the stream does.

#include <gtest/gtest.h>
#include <tervox/TervoxLogger.h>

#include <ios>
#include <ostream>
#include <stdexcept>
#include <streambuf>
#include <string>

namespace {

enum class Fault { kNone, kFullAfter8Bytes, kThrowAfter8Bytes, kSyncFails };

// Keeps what it is given, one character at a time, and fails as scripted.
class ScriptedBuffer : public std::streambuf {
 public:
  explicit ScriptedBuffer(Fault fault) : fault_(fault) {}
  std::string bytes;

 protected:
  int_type overflow(int_type c) override {
    if (bytes.size() >= 8 && fault_ == Fault::kFullAfter8Bytes) return traits_type::eof();
    if (bytes.size() >= 8 && fault_ == Fault::kThrowAfter8Bytes) throw std::runtime_error("disk");
    bytes += traits_type::to_char_type(c);
    return c;
  }
  int sync() override { return fault_ == Fault::kSyncFails ? -1 : 0; }

 private:
  Fault fault_;
};

struct StreamSetup {
  Fault fault;
  std::ios_base::iostate exceptions;
  std::streamsize width;
  bool unitbuf;
};

// The bytes, the final state and the exception ("none", "failure" or the buffer's own).
std::string outcome_of(std::ostream& stream, const StreamSetup& setup, void (*write)(std::ostream&)) {
  ScriptedBuffer buffer(setup.fault);
  stream.rdbuf(&buffer);
  stream.width(setup.width);
  if (setup.unitbuf) stream.setf(std::ios_base::unitbuf);
  stream.exceptions(setup.exceptions);
  std::string exception = "none";
  try {
    write(stream);
  } catch (const std::ios_base::failure&) {
    exception = "failure";
  } catch (const std::runtime_error& error) {
    exception = error.what();
  }
  const std::string outcome = buffer.bytes + " | state " + std::to_string(stream.rdstate()) + " | " + exception;
  stream.exceptions(std::ios_base::goodbit);
  stream.unsetf(std::ios_base::unitbuf);
  stream.rdbuf(nullptr);
  return outcome;
}

TEST(TraceStreamState, AWrittenMessageActsOnTheStreamAsThePlainInsertionsDo) {
  const auto none = std::ios_base::goodbit, on_bad = std::ios_base::badbit, on_fail = std::ios_base::failbit;
  const StreamSetup setups[] = {
      {Fault::kNone, none, 0, false},           {Fault::kNone, none, 12, false},
      {Fault::kNone, none, 0, true},            {Fault::kFullAfter8Bytes, none, 0, false},
      {Fault::kFullAfter8Bytes, on_bad, 0, false}, {Fault::kFullAfter8Bytes, on_fail, 0, false},
      {Fault::kThrowAfter8Bytes, none, 0, false}, {Fault::kThrowAfter8Bytes, on_bad, 0, false},
      {Fault::kThrowAfter8Bytes, on_fail, 0, false}, {Fault::kSyncFails, none, 0, false},
      {Fault::kSyncFails, on_bad, 0, false},    {Fault::kSyncFails, on_fail, 0, false},
  };
  std::fstream& trace = *TervoxLogger::get_process_trace_stream();
  for (const StreamSetup& setup : setups) {
    std::ostream reference(nullptr);
    const std::string expected = outcome_of(reference, setup, [](std::ostream& stream) {
      stream << "[IO] " << "hello" << std::endl;
      stream.flush();
    });
    const std::string actual = outcome_of(trace, setup, [](std::ostream&) {
      TervoxLogger::trace_message("IO", TervoxLogger::LOG_INFO, "f", "g", 1, "hello");
    });
    EXPECT_EQ(actual, expected) << "fault " << static_cast<int>(setup.fault) << ", exceptions "
                                << setup.exceptions << ", width " << setup.width << ", unitbuf " << setup.unitbuf;
  }
  trace.std::ios::rdbuf(trace.rdbuf());  // back to the stream's own file buffer
  trace.clear();
}

}  // namespace
