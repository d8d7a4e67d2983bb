#include "app/command_driver.h"

int main(int argc, char** argv) { return RunCommandDriver(argc, argv, DefaultCommandHandlers()); }
