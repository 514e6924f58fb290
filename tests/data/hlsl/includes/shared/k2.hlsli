#error Shared sorts before shared
