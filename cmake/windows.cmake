# Windows build: tarnik.spi, a PE32 DLL for i686.
