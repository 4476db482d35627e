printune-profile family=receipt; model=HT-750; version=1.124.0
# One setting a line: name = value. Lines starting with # are comments.
printer-language = English
cutter-switch = On
paper-wide = 76mm
printing-direction = Bidirectional
paper-type = Single
black-mark = On
mark-to-home = 5.0
mark-to-cutter = -1.5
