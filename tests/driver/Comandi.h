#pragma once

namespace velkora {
class TBaseMainForm;
}

// The driver's command mode: a workstation steered line by line, as a test or the office day
// needs it. Each line on standard input is a command whose words are separated by tabs; each
// command gets exactly one line of JSON on standard output once it is over, in order:
//   {"comando": "...", "esito": "ok" | "errore", "box": [{"testo": ..., "dettaglio": ...}], ...}
// Every message box the program shows during a command is listed in "box" and answered (Sì only
// where the command says so, otherwise OK or No); a dialog the command does not expect is
// closed and listed in "dialoghi". The end of standard input ends the program as a
// termination signal does.
//
// Commands:
//   accedi UTENTE PASSWORD   login from the login panel          -> sessione, titolo
//   voce PAROLE              the menu search, then Enter          -> finestre
//   clienti                  "Elenco clienti" by the menu search  -> aperta
//   righe                    the names the customer list shows    -> righe
//   modifica NOME CAMPO TESTO  selects the customer, types TESTO into the field
//                            (stops at the first box)  -> tag (1 while editing), prima, testo
//   aggiungi NOME CAMPO TESTO LIMITE  as modifica, typing after what the field holds, or in its
//                            place when both would be longer than LIMITE
//   salva | annulla | aggiorna   the customer list's buttons      -> tag
//   chiudiclienti            closes the customer list without saving
//   stampa FILE.pdf          the list's "Stampa", saved as PDF    -> pdf (bytes written)
//   f8 | f12                 the keys of the main window          -> titolo, accesso
//   f9 DITTA                 the company dialog, DITTA chosen     -> titolo
//   sessioni                 "Sessioni": every open session of the user but this one closed
//                                                                 -> chiuse
//   stato                    -> titolo, sessione, aperta
//   esci                     "Sistema > Esci"
void avviaComandi(velkora::TBaseMainForm& main);
