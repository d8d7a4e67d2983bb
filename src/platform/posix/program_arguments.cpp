#include "platform/posix/program_arguments.h"

#include "platform/posix/utf.h"

namespace qiv::posix {

ProgramArguments::ProgramArguments(int argc, char** argv) {
  for (int i = 0; i < argc && argv[i] != nullptr; ++i) texts_.push_back(Utf8ToUtf16(argv[i]));
  for (const std::wstring& text : texts_) vector_.push_back(text.c_str());
  vector_.push_back(nullptr);
}

}  // namespace qiv::posix
