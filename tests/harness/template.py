"""Makes the build's pristine Wine prefix (once; later calls return at once).

Usage: python3 -m tests.harness.template   (TQ_BUILD_DIR in the environment)
"""

import sys
import time

from .wine import template_prefix


def main():
    started = time.monotonic()
    path = template_prefix()
    print("prefix template %s ready after %.1f s" % (path, time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
