#!/usr/bin/python3
# The new-drawing template that the host builds in: ezdxf reads it and its audit
# finds nothing to fix. Exit 0 when clean, 1 with the findings, 77 without ezdxf.
import sys

try:
    import ezdxf
except ImportError:
    sys.exit(77)

doc = ezdxf.readfile(sys.argv[1])
auditor = doc.audit()
for e in auditor.errors + auditor.fixes:
    print(e.message)
names = {'layers': '0', 'linetypes': 'Continuous', 'styles': 'Standard', 'dimstyles': 'Standard',
         'appids': 'ACAD'}
for table, name in names.items():
    if name not in getattr(doc, table):
        print(f'{table}: {name} missing')
        sys.exit(1)
if doc.dxfversion != 'AC1032' or 'Layout1' not in doc.layout_names():
    print('not an R2018 drawing with a paper space layout')
    sys.exit(1)
sys.exit(1 if auditor.errors or auditor.fixes else 0)
