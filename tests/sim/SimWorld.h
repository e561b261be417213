// The simulated Windows that native tests run the portable logic against.
// Each part keeps its own state; Reset() puts every part back to a fresh
// machine. Tests call sim::Reset() in SetUp.
#pragma once

namespace sim {

void Reset();

// Each part's reset, called by Reset() in this order.
void ResetKernel();  // files, folders, processes, paths, message boxes, windows, workers, mutexes, clock
void ResetInet();    // scripted HTTP answers and faults
void ResetShell();   // special folders, COM, shell links
void ResetCrypto();  // key and hash handles
void ResetRegistry();  // keys, values and key handles
void ResetCrypto();  // CryptoAPI handles

}  // namespace sim
