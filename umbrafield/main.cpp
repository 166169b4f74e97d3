#include "umbrafield.h"

int main() { return umbrafield::Run(); }
