// A module library that cannot be loaded: it calls a function no library of the process
// exports, so the loader refuses it (every symbol is resolved when a module is loaded).

extern "C" void velkora_funzione_assente();

extern "C" __attribute__((visibility("default"))) void Apri()
{
    velkora_funzione_assente();
}
