// Prints the C++ standard it was built with, then traces into a file and records an error, and
// prints the file and the description.
#include <tervox/TervoxMacros.h>

#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::cout << __cplusplus << "\n";
  TervoxLogger::get_process_trace_stream()->open(argv[1], std::ios::out | std::ios::trunc);
  TervoxLogger::trace_message("HOST", TervoxLogger::LOG_INFO, nullptr, nullptr, 0, "hello %d", 1);
  TervoxError::getInstance().setLast(LVL_ERROR, 306, "consumer.cpp", "main", 9, "a.par", "b");
  TervoxLogger::get_process_trace_stream()->close();
  std::cout << std::ifstream(argv[1]).rdbuf()
            << TervoxError::getInstance().getLastShortDescription(LVL_ERROR) << "\n";
  return 0;
}
