#include "platform/platform.h"
int main() { return 0; }
