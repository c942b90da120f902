-- North Plant: a daily pressure, an hourly temperature, a daily text variable with
-- its list of allowed texts, and a 15-minute turbidity that takes symbols.
INSERT INTO logbook (id, name) VALUES (1, 'Shift log');
INSERT INTO settings (setting, curvalue) VALUES ('LockDate', '2026-01-01 00:00:00');
INSERT INTO vardesc (varid, varnum, name, vartype, units, decplaces, source_cnn_approval,
                     allowsymbol, limit_to_list, list, g2_interface_id, g2_enabled) VALUES
  (101, 1101, 'Pump discharge pressure', 'P', 'bar',  1, 0, 0,  0,  NULL, 7, -1),
  (102, 1102, 'Bearing temperature',     'H', 'degC', 1, 0, 0,  0,  NULL, 7, -1),
  (103, 1103, 'Oil level',               'T', '',     0, 0, 0, -1, E'LOW\tOK\tHIGH', 7, -1),
  (104, 1104, 'Turbidity',               'F', 'NTU',  2, 0, -1, 0,  NULL, 7, -1);
