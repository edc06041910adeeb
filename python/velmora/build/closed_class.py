"""Closed-class words that are their own lemma, per language.

Lookup tables map some of them to related words (`its` -> `it`, `these` -> `this`, `thee` -> `you`), and the
dictionaries that would list them as lemmas leave them out (en_US has no `its`, `under` or `only`). Comparatives
and suppletive forms (`less`, `worse`) are not listed: the exception lists handle them.
"""
from typing import Dict, Tuple

CLOSED_CLASS: Dict[str, Tuple[str, ...]] = {
    "en": tuple(
        """
        i me my mine myself you your yours yourself yourselves he him his himself she her hers herself it its itself
        we us our ours ourselves they them their theirs themselves thee thou thy thine ye one oneself
        this that these those the an each every either neither some any no none all both such what which whose whom
        who whoever whomever whatever whichever
        of in on at by for with about against between among into onto upon through throughout during before after
        above below to from up down under over off out around across along behind beyond beneath within without
        towards toward via per than
        and or but nor so yet if because as until unless while whilst although though since whether
        not only very too also just then there here when where why how again ever never always often
        """.split()
    ),
}
