# The fuzz corpora replayed by the programs' engine natively and as
# WebAssembly (placeholder: filled in by the corpus replay work).
