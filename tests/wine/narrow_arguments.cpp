// The arguments as the runtime's narrow parser splits them (the entry point the
// program had before it took wide arguments): each argument after the program's
// name, followed by a NUL byte, into the file QIV_ARGUMENTS_FILE names.
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  const char* output = std::getenv("QIV_ARGUMENTS_FILE");
  if (output == nullptr) return 2;
  FILE* file = std::fopen(output, "wb");
  if (file == nullptr) return 2;
  for (int i = 1; i < argc; ++i) std::fwrite(argv[i], 1, std::strlen(argv[i]) + 1, file);
  std::fclose(file);
  return 0;
}
