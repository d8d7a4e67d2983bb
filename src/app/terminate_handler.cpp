// The Windows program has no console, so the runtime's default terminate handler,
// which demangles the exception's type name and prints it to a standard error that
// is not there, only adds its demangler (about 48 KiB) to the program; and its
// abort() brings up the runtime's error box in a GUI program, which must show
// nothing. This one ends the process at once with abort()'s status instead. Linked
// into the program itself, ahead of the runtime library, so the linker never pulls
// the default in.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::_Exit(3); }
}  // namespace __gnu_cxx
