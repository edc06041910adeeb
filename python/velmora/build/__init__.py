"""Model building: turns lexical sources (Hunspell pairs, form->lemma lists, treebanks, exception lists)
into ranked word -> lemma rules and compiles them into bundled or user models."""
