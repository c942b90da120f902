-- The demo's Krym root: one collector designated to the demo installation, UTC as
-- its zone, and the global symbols answers may carry.
INSERT INTO qaltimezone (qaltimezoneid, timezonename) VALUES (1, 'UTC');
INSERT INTO qaltimezone_bias (qaltimezoneid, yearid, bias_standard, bias_daylight)
  SELECT 1, y, 0, 0 FROM generate_series(2020, 2035) AS y;

INSERT INTO g2_server (interface_id, name, description, enabled, override_audituser,
                       collector_dateadjust, collector_qaltimezoneid, lu_id, lu_version)
VALUES (7, 'Operator rounds', 'DeraRed rounds of the demo plants', -1, NULL, 0, 1, 30418, '1.0.8');

INSERT INTO symbols (symbolid, symbol, allownumeric, description) VALUES
  (1, '<', -1, 'below the detection limit'),
  (2, 'ND', 0, 'not detected');
