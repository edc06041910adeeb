from velmora.cli import main

raise SystemExit(main())
