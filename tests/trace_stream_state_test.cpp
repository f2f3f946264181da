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

// Keeps what it is given, and fails as scripted.
class ScriptedBuffer : public std::streambuf {
 public:
  explicit ScriptedBuffer(Fault fault) : fault_(fault) {}
  const std::string& bytes() const { return bytes_; }

 protected:
  std::streamsize xsputn(const char* text, std::streamsize size) override {
    std::streamsize put = 0;
    while (put < size && !traits_type::eq_int_type(overflow(text[put]), traits_type::eof())) ++put;
    return put;
  }
  int_type overflow(int_type c) override {
    if (bytes_.size() >= 8 && fault_ == Fault::kFullAfter8Bytes) return traits_type::eof();
    if (bytes_.size() >= 8 && fault_ == Fault::kThrowAfter8Bytes) throw std::runtime_error("disk");
    bytes_ += traits_type::to_char_type(c);
    return c;
  }
  int sync() override { return fault_ == Fault::kSyncFails ? -1 : 0; }

 private:
  Fault fault_;
  std::string bytes_;
};

struct Outcome {
  std::string bytes;
  std::ios_base::iostate state;
  std::string exception;
};

struct StreamSetup {
  Fault fault;
  std::ios_base::iostate exceptions;
  std::streamsize width;
  bool unitbuf;
};

template <typename Write>
Outcome outcome_of(std::ostream& stream, ScriptedBuffer& buffer, const StreamSetup& setup,
                   Write write) {
  stream.rdbuf(&buffer);
  stream.width(setup.width);
  if (setup.unitbuf) stream.setf(std::ios_base::unitbuf);
  stream.exceptions(setup.exceptions);
  std::string exception = "none";
  try {
    write();
  } catch (const std::ios_base::failure&) {
    exception = "failure";
  } catch (const std::runtime_error& error) {
    exception = error.what();
  }
  return {buffer.bytes(), stream.rdstate(), exception};
}

Outcome reference_outcome(const StreamSetup& setup) {
  ScriptedBuffer buffer(setup.fault);
  std::ostream stream(nullptr);
  return outcome_of(stream, buffer, setup, [&] {
    stream << "[IO] " << "hello" << std::endl;
    stream.flush();
  });
}

Outcome logger_outcome(const StreamSetup& setup) {
  ScriptedBuffer buffer(setup.fault);
  std::fstream& stream = *TervoxLogger::get_process_trace_stream();
  const Outcome outcome = outcome_of(stream, buffer, setup, [] {
    TervoxLogger::trace_message("IO", TervoxLogger::LOG_INFO, "f", "g", 1, "hello");
  });
  stream.exceptions(std::ios_base::goodbit);
  stream.unsetf(std::ios_base::unitbuf);
  stream.std::ios::rdbuf(stream.rdbuf());  // back to the stream's own file buffer
  return outcome;
}

TEST(TraceStreamState, AWrittenMessageActsOnTheStreamAsThePlainInsertionsDo) {
  const std::ios_base::iostate kNoExceptions = std::ios_base::goodbit;
  const std::ios_base::iostate kOnBad = std::ios_base::badbit;
  const std::ios_base::iostate kOnFail = std::ios_base::failbit;
  const StreamSetup setups[] = {
      {Fault::kNone, kNoExceptions, 0, false},
      {Fault::kNone, kNoExceptions, 12, false},
      {Fault::kNone, kNoExceptions, 0, true},
      {Fault::kFullAfter8Bytes, kNoExceptions, 0, false},
      {Fault::kFullAfter8Bytes, kOnBad, 0, false},
      {Fault::kFullAfter8Bytes, kOnFail, 0, false},
      {Fault::kThrowAfter8Bytes, kNoExceptions, 0, false},
      {Fault::kThrowAfter8Bytes, kOnBad, 0, false},
      {Fault::kThrowAfter8Bytes, kOnFail, 0, false},
      {Fault::kSyncFails, kNoExceptions, 0, false},
      {Fault::kSyncFails, kOnBad, 0, false},
      {Fault::kSyncFails, kOnFail, 0, false},
  };
  for (const StreamSetup& setup : setups) {
    const Outcome expected = reference_outcome(setup);
    const Outcome actual = logger_outcome(setup);
    const std::string row = "fault " + std::to_string(static_cast<int>(setup.fault)) +
                            ", exceptions " + std::to_string(setup.exceptions) + ", width " +
                            std::to_string(setup.width) + ", unitbuf " + std::to_string(setup.unitbuf);
    EXPECT_EQ(actual.bytes, expected.bytes) << row;
    EXPECT_EQ(actual.state, expected.state) << row;
    EXPECT_EQ(actual.exception, expected.exception) << row;
  }
}

}  // namespace
