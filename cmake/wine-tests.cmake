# Tests of the real tarnik.spi under Wine, registered in the native build.
